#pragma once
// Form descriptions in and out of components, from text or from a module resource.
#include "platform/classes/Component.h"

// Reads the description into root, a component created in code (a form reading its own
// description). Errors in the description raise an Exception naming the line.
void ReadRootComponent(const AnsiString& text, TComponent* root);
// Creates the described root by its registered class and reads it. The result belongs to
// owner, or to the caller when owner is nullptr. Safe to call with any text.
TComponent* ReadComponentFromText(const AnsiString& text, TComponent* owner);
// Reads the module resource resourceName into root; raises EResNotFound when the program
// carries no such resource.
void ReadComponentRes(const AnsiString& resourceName, TComponent* root);
AnsiString WriteComponentToText(TComponent* root);

// "Resource %s not found"
class EResNotFound : public Exception {
public:
    using Exception::Exception;
};
