#pragma once

#include <QString>
#include <QStringList>

// What the compose window holds when the user submits: the values its jobs
// are made from. Plain values, so that jobs can be made and checked without
// any window.
struct PostForm
{
    QString subject;
    QString posterName;
    QString posterEmail;
    QString serverID;      // the chosen news server
    QStringList groups;    // the checked newsgroups, in list order
    QString body;          // as typed, line feeds only
    QString msgid;         // of the article replied to; empty for a new post
    QStringList fileUrls;  // every file to upload
    double totalBytes = 0; // of those files
    bool makeNZB = false;
    bool uploadNZB = false;
    QString userSignature;
};
