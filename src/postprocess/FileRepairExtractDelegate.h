#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>

// What the post-processing workers (the PAR2 repair, the join and the three
// extractors) tell the runner that started them. Every call is made on the
// main thread; a run ends with exactly one of the ...Finished... calls.
//
// Workers refer to their runner weakly (through lifetimeToken()): a report
// that arrives after the runner is gone is dropped.
class FileRepairExtractDelegate
{
public:
    FileRepairExtractDelegate();
    virtual ~FileRepairExtractDelegate();
    FileRepairExtractDelegate(const FileRepairExtractDelegate&) = delete;
    FileRepairExtractDelegate& operator=(const FileRepairExtractDelegate&) = delete;

    virtual void repairFinishedWithResult(bool result, qint64 requiredBlocks) = 0;
    virtual void joiningFinishedWithResult(bool result) = 0;
    virtual void rarExtractFinishedWithResult(bool result) = 0;
    virtual void z7ExtractFinishedWithResult(bool result) = 0;
    virtual void zipExtractFinishedWithResult(bool result) = 0;
    // The job's row comment.
    virtual void sendComment(const QString& comment) = 0;
    // The join has written its files; `deletePieces` removes the pieces they
    // were joined from and ends the run. A runner may hold it back until the
    // pieces are no longer needed after a crash; by default it runs at once.
    virtual void joinedFilesWritten(std::function<void()> deletePieces);

    std::weak_ptr<const void> lifetimeToken() const { return token_; }

private:
    std::shared_ptr<const void> token_;
};

// A weak reference to a delegate, checked before every call.
class FileRepairExtractDelegateRef
{
public:
    FileRepairExtractDelegateRef() = default;
    explicit FileRepairExtractDelegateRef(FileRepairExtractDelegate* delegate)
        : delegate_(delegate), token_(delegate ? delegate->lifetimeToken() : std::weak_ptr<const void>())
    {}
    // The delegate while it lives, else null. Main thread only.
    FileRepairExtractDelegate* get() const { return token_.expired() ? nullptr : delegate_; }

private:
    FileRepairExtractDelegate* delegate_ = nullptr;
    std::weak_ptr<const void> token_;
};
