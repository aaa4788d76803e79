#pragma once
// Opening a web address or a file in the desktop's program for it, through one
// replaceable opener; the desktop's icons of files and folders.
#include "platform/rtl/Classes.h"
#include "platform/ui/Types.h"

#include <vector>

class TShellOpener {
public:
    virtual ~TShellOpener() = default;
    // True when the desktop took the target.
    virtual bool Open(const AnsiString& Target) = 0;
};

TShellOpener* ShellOpener();
TShellOpener* SetShellOpener(TShellOpener* Value);   // not owned; nullptr: the desktop's

// Keeps every target and answers with Result (tests).
class TRecordingOpener : public TShellOpener {
public:
    bool Open(const AnsiString& Target) override {
        Targets.push_back(Target);
        return Result;
    }
    std::vector<AnsiString> Targets;
    bool Result = true;
};

constexpr Integer SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOW = 5;
constexpr Integer SE_ERR_FNF = 2, SE_ERR_ACCESSDENIED = 5, SE_ERR_NOASSOC = 31;

// Only the "open" verb (or an empty one) is known: the file or address goes to the
// opener, with Directory as the base of a relative file name. Returns a value above
// 32 on success, SE_ERR_NOASSOC for another verb, SE_ERR_FNF when the opener refused.
Integer ShellExecute(void* Handle, const AnsiString& Operation, const AnsiString& File,
                     const AnsiString& Parameters, const AnsiString& Directory, Integer ShowCmd);

class TCanvas;

// The desktop's icon of a file or folder (an existing one's own, else the icon of its
// file type), small (16 pixels square) or large (32), drawn with its see-through parts
// at the top-left of R and scaled to R's size; false when the desktop has none.
Integer FileIconSize(bool Large);
bool DrawFileIcon(TCanvas* Canvas, const TRect& R, const AnsiString& Path, bool Large);
