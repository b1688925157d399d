#pragma once
// What a test program starts before its tests, called by the test main. Two libraries define
// it: voka_test_platform starts the platform as the programs do, with the virtual port added,
// and registers every class a form description of a test may name; voka_test_bare_platform,
// for the tests of the layers below the serial platform, starts nothing, so that those layers
// are tested as they are on their own.
void StartTestPlatform();
