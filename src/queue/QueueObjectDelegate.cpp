#include "queue/QueueObjectDelegate.h"

QueueObjectDelegate::QueueObjectDelegate() : token_(std::make_shared<char>(0))
{}

QueueObjectDelegate::~QueueObjectDelegate() = default;

void QueueObjectDelegate::statusChangedForQueueObject(const QueuePtr&, qint64, qint64)
{}

void QueueObjectDelegate::statusChangedForFilepart(const QueuePtr&, qint64, qint64)
{}

void QueueObjectDelegate::shouldPauseChangedForQueueObject(const QueuePtr&)
{}

void QueueObjectDelegate::pauseChangedForQueueObject(const QueuePtr&)
{}
