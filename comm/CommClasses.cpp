#include "comm/CommClasses.h"

#include "comm/reRore.h"
#include "platform/classes/ClassRegistry.h"

void RegisterCommClasses() {
    RegisterClasses<TreRore>();
}
