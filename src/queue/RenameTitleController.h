#pragma once

#include "queue/Queue.h"

class FODController;

// Gives a finished job the title the user chose (`newtitle`): its folder is
// renamed beside itself (a numbered variant when the name is taken), the
// files-on-disk index and the PAR2 record follow, and the folder's final
// name becomes the title. Main thread.
//
// The new name is always one path component: "/" cannot lead the folder
// elsewhere, and a name that is nothing but "." or ".." is refused. The
// records are pointed at the new folder only once the folder has moved.
class RenameTitleController
{
public:
    // Weak; may be null (then only the job and its PAR2 record follow).
    FODController* fodController() const { return fodController_; }
    void setFodController(FODController* controller) { fodController_ = controller; }

    void renameTitleForQueue(const QueuePtr& root);

private:
    FODController* fodController_ = nullptr;
};
