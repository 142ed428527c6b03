#pragma once
// Base of the toolkit's objects and the one event signature.
//
// Dispatch convention, for the whole toolkit: a handler is a TNotifyEvent
// that takes the object that raised the event and returns nothing. The
// toolkit calls handlers only through Dispatch() (Application.h), which
// catches whatever the handler throws and hands it to the application's
// exception handler, so no exception ever unwinds through DispatchMessage or
// a system callback.
#include <functional>

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;
};

// A rectangle in device pixels: Right - Left is the width.
struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;
