#pragma once
// The print-setup form of the common print dialog, on the printer object.
#include "toolkit/Classes.h"

class TPrinterSetupDialog : public TObject {
public:
    // Opens the dialog, owned by the application's window, on the printer
    // object's current printer and settings (selecting the default printer
    // first, with its failures). OK makes the chosen printer and settings
    // current and returns true; while a job is open that is refused with
    // EPrinter "印刷中" and nothing changes. Cancel changes nothing and
    // returns false. A dialog that cannot open on the printer: EPrinter
    // "選択したプリンタは有効ではありません". The floating-point settings are
    // made again once the dialog has returned.
    bool Execute();
};
