#include "support/ServerTestRecorder.h"

void ServerTestRecorder::socketMessage(const QString& text)
{
    messages_.append(text);
}

void ServerTestRecorder::testResultSuccessful()
{
    results_.append(QStringLiteral("pass"));
}

void ServerTestRecorder::testResultFailed()
{
    results_.append(QStringLiteral("fail"));
}

void ServerTestRecorder::removeSocket()
{
    ++removed_;
}
