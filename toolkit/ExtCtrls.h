#pragma once
// The timer and the image control.
#include <windows.h>

#include "toolkit/Forms.h"
#include "toolkit/Graphics.h"
#include "toolkit/Handles.h"

// A window timer on a hidden window of its own. It runs while it is
// enabled, its interval is not zero and OnTimer is bound; each expiry
// dispatches OnTimer. Enabled is true and Interval 1000 when created.
//
// Changing Enabled, Interval or OnTimer to a new value restarts the timer
// with a fresh full period (or stops it); setting Enabled or Interval to
// its current value does nothing. When Windows has no timer left:
// EOutOfResources "タイマーを取得できません", Enabled still reads true and
// no ticks arrive until the next change starts it.
class TTimer : public TComponent {
public:
    TTimer();
    ~TTimer() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    int Interval() const { return FInterval; }
    void SetInterval(int Value);
    const TNotifyEvent& OnTimer() const { return FOnTimer; }
    void SetOnTimer(TNotifyEvent Value);
    // True while Windows' timer runs.
    bool Running() const { return FTimerId != 0; }

protected:
    void Load(TComponent* Parent, const TProperties& Properties) override;

private:
    static LRESULT CALLBACK WndProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam);
    void UpdateTimer();

    UniqueWindow FWindow;
    bool FEnabled = true;
    int FInterval = 1000;
    TNotifyEvent FOnTimer;
    UINT_PTR FTimerId = 0;
    UINT_PTR FLastId = 0;
};

// Shows its picture's graphic at its top-left corner at the graphic's own
// size: not stretched, not centred. Repaints when the picture changes and
// when resized; SetWidth and SetHeight take exactly the value given.
class TImage : public TWinControl {
public:
    TImage();
    ~TImage() override;
    TPicture* Picture() { return &FPicture; }
    void SetBounds(int Left, int Top, int Width, int Height) override;

protected:
    void Load(TComponent* Parent, const TProperties& Properties) override;
    LRESULT WndProc(UINT Message, WPARAM WParam, LPARAM LParam) override;

private:
    void Paint(HDC Dc);

    TPicture FPicture;
};

#ifdef WENDRASK_TEST_SEAMS
namespace Seams {
// The next Count calls of SetTimer fail as if Windows had no timer left,
// after Skip more succeed. A test build of the whole program takes them
// from the environment variable WENDRASK_SEAM_FAIL_TIMER ("Count" or
// "Skip:Count"), read at the first start of a timer.
void FailSetTimers(int Count, int Skip = 0);
} // namespace Seams
#endif
