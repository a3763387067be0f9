#pragma once

#include "controls/ValueTransformer.h"

// The small image of a search's content type in the history and bookmark
// lists: general groups, erotica groups, or none for a bookmark folder
// ("map"). Gives the image's name in the art registry.
class SearchHistoryContentImage : public ValueTransformer
{
public:
    QVariant transformedValue(const QVariant& value) const override;
};
