#pragma once
// An edit control as a simple terminal of an I/O component: the component hooks the
// control's window procedure (TWindowProcHost), sends typed characters to the port and
// inserts received text at the caret.
#include <string_view>
#include <vector>

#include "platform/classes/WindowProc.h"

// The pieces of a received block between zero bytes, which are not shown; empty pieces are
// left out.
std::vector<std::string_view> SplitAtZeroBytes(std::string_view Block);
