#include "support/uncalled/file_mutex.h"

FileMutex::FileMutex() : refCount(0) {}

FileMutex::~FileMutex() {}

void FileMutex::reserved() {}

void FileMutex::finalRelease() {}

namespace FileManagement {

// Both are defined here, in this order: the map is built before its guard, and at exit the
// guard's handle is closed before the map is torn down.
std::map<std::string, UnknownPtr<FileMutex>> fileMutexes;
Mutex fileMutexesMutex("FileManagement::fileMutexesMutex", nullptr);

}  // namespace FileManagement
