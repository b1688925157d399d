#include "tests/support/TestPlatform.h"

void StartTestPlatform() {}
