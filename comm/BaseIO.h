#pragma once
// The base of the library's I/O components: the device handle and Active, subscribers told
// when the medium opens, closes or changes, the device list, the log link, the single path
// for fatal reports, and the links to a data processor and a terminal.
#include <atomic>
#include <cstdint>
#include <memory>

#include "comm/CommTypes.h"
#include "devices/pnp/Device.h"
#include "platform/classes/Component.h"
#include "platform/classes/Publisher.h"
#include "platform/classes/WindowProc.h"
#include "platform/rtl/StringList.h"
#include "platform/win32/WinTypes.h"
#include "support/DataProcessor.h"
#include "support/LogFile.h"
#include "support/NotifyList.h"

class TnrThreadIO;

class TnrBaseIO : public TComponent, public TnrIODevice {
    VOKA_CLASS(TnrBaseIO, TComponent)
public:
    explicit TnrBaseIO(TComponent* AOwner);
    ~TnrBaseIO() override;

    // Published as Active. While loading or at design time the value is only remembered
    // (at design time after a trial open); the port opens when loading ends.
    bool GetActive();
    void SetActive(bool Value);

    bool IsHandleValid() override;
    virtual HANDLE RequestDeviceHandle();
    virtual void RequestDeviceHandleClose(HANDLE Handle);
    // Whether received bytes have a consumer (terminal, OnAfterReceive, data processor).
    virtual bool IsReadNeeded();
    virtual void Open();
    virtual void Close();
    // The generic worker thread, used only when the worker-thread flag is set.
    virtual void ThreadStart();
    virtual void ThreadStop();
    virtual void ThreadExecute(TnrThreadIO* Thread);

    // The single path for fatal reports: OnFatalError may clear the raise flag; the log gets
    // "Fatal Error: %u, %u, %s"; then an Exception is raised (or, with ShowOnly, shown).
    virtual void DoFatalErrors(uint32_t ErrorCode, uint32_t Detail, const AnsiString& ErrorMsg,
                               bool ShowOnly);
    // Codes: 1 closed, 2 opened, 3 device list or selection changed.
    virtual void DoNotify(int32_t Code);
    // A received block for the data processor, the terminal and OnAfterReceive.
    virtual void DoInputData(const void* Buffer, uint32_t Length);
    // A send completion; true when a data processor handled it.
    virtual bool DoOutputData();

    // Device list.
    virtual void SetDeviceIndex(int32_t Index);
    virtual int32_t GetDeviceIndex();             // abstract here
    virtual int32_t AddDevice(TnrDevice* Device); // the list takes ownership
    virtual void DeviceListLoad();                // abstract here
    virtual void DeviceListClear();
    virtual void Update();
    // Loads the list when it is empty, then copies (DisplayName, device) pairs into Strings.
    virtual void GetDeviceList(TStrings* Strings);
    TnrDevice* GetDevice(int32_t Index) const; // EListError outside the list
    int32_t GetDeviceCount() const;
    int32_t IndexOfDevice(const TnrDevice* Device) const;
    int32_t IndexOfDeviceData(int32_t Value) const;

    // Subscribers; a handler is never subscribed twice.
    int32_t NotifyAdd(const TnrNotifyEvent& Handler) override;
    void NotifyDelete(const TnrNotifyEvent& Handler) override;

    // The abstract I/O surface.
    virtual void SendChar(char Value);
    void SendString(const AnsiString& Value) override;
    void SendData(const void* Data, uint32_t Length) override;
    virtual void ClearDeviceInput();
    virtual void ClearDeviceOutput();
    virtual void ClearDeviceBuffers();

    // Log lines go to an attached log component, each behind the log prefix.
    void Logging(TDetailLevel Level, const AnsiString& Text);
    void LoggingFmt(TDetailLevel Level, const AnsiString& Fmt, TFormatArgs Args);
    void LoggingFmt(TDetailLevel Level, const AnsiString& Fmt,
                    std::initializer_list<TVarRec> Args) {
        LoggingFmt(Level, Fmt, TFormatArgs(Args.begin(), Args.size()));
    }

    TnrCustomLogFile* GetLog() const { return FLog; }
    void SetLog(TnrCustomLogFile* Value);
    TOnFatalErrorEvent GetOnFatalError() const { return FOnFatalError; }
    void SetOnFatalError(TOnFatalErrorEvent Value) { FOnFatalError = Value; }
    TNotifyEvent GetOnClose() const { return FOnClose; }
    void SetOnClose(TNotifyEvent Value) { FOnClose = Value; }
    TOnReceived GetOnAfterReceive() const { return FOnAfterReceive; }
    void SetOnAfterReceive(TOnReceived Value) { FOnAfterReceive = Value; }

    // Links to components this one does not own (cleared on their removal). The data
    // processor is kept as a component here; its interface lives with the processor.
    TComponent* GetDataProcessor() const { return FDataProcessor; }
    virtual void SetDataProcessor(TComponent* Value);
    TComponent* GetTerminal() const { return FTerminal; }
    virtual void SetTerminal(TComponent* Value);
    TTerminalUsage GetTerminalUsage() const { return FTerminalUsage; }
    virtual void SetTerminalUsage(TTerminalUsage Value);
    bool GetTerminalEcho() const { return FTerminalEcho; }
    void SetTerminalEcho(bool Value) { FTerminalEcho = Value; }
    // Shows received bytes in the terminal, split at zero bytes.
    virtual void UpdateTerminalByChars(const void* Buffer, int32_t Length);
    // Hooked into the terminal: typed characters go to the port.
    void NewTerminalWndProc(TMessage& Message);
    // The platform's device-change broadcast, passed on by a window that receives it.
    virtual bool WMDeviceChange(TMessage& Message);

    HANDLE GetDeviceHandle() const { return FDeviceHandle; }
    const AnsiString& GetLogPrefix() const { return FLogPrefix; }

    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

protected:
    bool IsLoading() const { return ComponentState().Contains(csLoading); }
    bool IsDesigning() const { return ComponentState().Contains(csDesigning); }
    // Calls OnClose with any error it raises swallowed.
    void CallOnClose();

    TnrNotifyList& NotifyList() { return *FNotifyList; }
    TStringList& DeviceList() { return *FDeviceList; }
    OVERLAPPED& ReadOverlapped() { return FReadOS; }
    OVERLAPPED& WriteOverlapped() { return FWriteOS; }
    OVERLAPPED& AsyncWriteOverlapped() { return FWriteAsyncOS; }
    void SetDeviceHandle(HANDLE Handle) { FDeviceHandle = Handle; }
    // The handle, left invalid behind.
    HANDLE TakeDeviceHandle() { return FDeviceHandle.exchange(INVALID_HANDLE_VALUE); }
    void SetLogPrefix(const AnsiString& Prefix) { FLogPrefix = Prefix; }
    // Open and Close start and stop the generic worker thread.
    void SetUseThreadIO(bool Value) { FUseThreadIO = Value; }

private:
    std::unique_ptr<TnrNotifyList> FNotifyList;
    TnrCustomLogFile* FLog = nullptr;
    TComponent* FDataProcessor = nullptr;
    TOnFatalErrorEvent FOnFatalError;
    std::unique_ptr<TStringList> FDeviceList;
    HWND FTerminalWnd = nullptr;
    TTerminalUsage FTerminalUsage = tuNone;
    TComponent* FTerminal = nullptr;
    bool FTerminalEcho = false;
    bool FTerminalUpdating = false;
    TWndMethod FSavedTerminalProc;
    TNotifyEvent FOnClose;
    TnrThreadIO* FThreadIO = nullptr;
    TOnReceived FOnAfterReceive;
    bool FStoredActive = false;
    // Read by the event thread (active state) while the UI thread may close the port.
    std::atomic<HANDLE> FDeviceHandle = INVALID_HANDLE_VALUE;
    AnsiString FLogPrefix;
    bool FOwnsDevices = true;
    OVERLAPPED FReadOS;
    OVERLAPPED FWriteOS;
    OVERLAPPED FWriteAsyncOS;
    bool FUseThreadIO = false;
    bool FThreadIOStopped = true;
};
