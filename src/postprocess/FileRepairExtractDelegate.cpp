#include "postprocess/FileRepairExtractDelegate.h"

FileRepairExtractDelegate::FileRepairExtractDelegate() : token_(std::make_shared<int>(0))
{}

FileRepairExtractDelegate::~FileRepairExtractDelegate() = default;
