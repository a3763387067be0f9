#include "postprocess/FileRepairExtractDelegate.h"

FileRepairExtractDelegate::FileRepairExtractDelegate() : token_(std::make_shared<int>(0))
{}

FileRepairExtractDelegate::~FileRepairExtractDelegate() = default;

void FileRepairExtractDelegate::joinedFilesWritten(std::function<void()> deletePieces)
{
    if (deletePieces) deletePieces();
}
