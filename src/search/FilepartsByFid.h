#pragma once

#include "queue/QueueObjectDelegate.h"

#include <QMap>
#include <QString>

// File parts of search-service jobs by their service file id (`fid`): the
// batches whose article lists are asked for together.
using FilepartsByFid = QMap<QString, QueuePtr>;
