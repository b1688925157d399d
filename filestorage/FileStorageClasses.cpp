#include "filestorage/FileStorageClasses.h"

#include "filestorage/FileStorage.h"
#include "platform/classes/ClassRegistry.h"

void RegisterFileStorageClasses() {
    RegisterClasses<TFileStorage>();
}
