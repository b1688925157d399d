#pragma once
// The serial port component as form descriptions create it: TnrCustomSerialComm with every
// property published in streaming order. Registered in the class registry.
#include "comm/SerialComm.h"

class TreRore : public TnrCustomSerialComm {
    VOKA_CLASS(TreRore, TnrCustomSerialComm)
public:
    explicit TreRore(TComponent* AOwner) : TnrCustomSerialComm(AOwner) {}
    ~TreRore() override { ShutDown(); }
};
