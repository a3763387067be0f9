#pragma once

#include <QByteArray>
#include <QString>

// Asks unar's lister (lsar, the same package) whether an archive is
// encrypted. unar prints the same failure for damaged data, a wrong password
// and a missing volume; only the archive's own flags tell them apart. Any
// thread; blocks while the lister runs.
class ArchiveLister
{
public:
    enum class Encryption {
        Encrypted,    // file data or headers need a password
        NotEncrypted, // the lister read the archive's flags: no password
        Unknown,      // no lister, or it gave no readable answer
    };

    // Runs "lsar -j <archivePath>" (found like the other tools, environment
    // LC_CTYPE=UTF-8 only) and judges its answer.
    static Encryption encryptionOf(const QString& archivePath);

    // The judgement of a listing: `standardOutput` is the JSON listing,
    // `standardError` what the lister said beside it. With encrypted headers
    // the lister cannot list and says that a password is required; otherwise
    // its JSON carries "XADIsEncrypted" for the archive and for each entry.
    // A listing that cannot be read gives Unknown.
    static Encryption encryptionFromListing(const QByteArray& standardOutput, const QByteArray& standardError);
};
