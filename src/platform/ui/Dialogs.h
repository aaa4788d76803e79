#pragma once
// Message boxes, input boxes and file dialogs. All of them go through one
// replaceable prompter: the default shows Qt dialogs, TScriptedPrompter answers
// from a queue and records every message (tests).
#include "platform/rtl/Classes.h"

#include <deque>
#include <functional>
#include <memory>
#include <vector>

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp, mbClose };
using TMsgDlgButtons = TSet<TMsgDlgBtn>;
inline constexpr TMsgDlgButtons mbYesNo{mbYes, mbNo};
inline constexpr TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
inline constexpr TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
inline constexpr TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};

// Message box flags and answers.
constexpr Integer MB_OK = 0x0, MB_OKCANCEL = 0x1, MB_ABORTRETRYIGNORE = 0x2, MB_YESNOCANCEL = 0x3;
constexpr Integer MB_YESNO = 0x4, MB_RETRYCANCEL = 0x5;
constexpr Integer MB_ICONHAND = 0x10, MB_ICONERROR = 0x10, MB_ICONSTOP = 0x10, MB_ICONQUESTION = 0x20;
constexpr Integer MB_ICONEXCLAMATION = 0x30, MB_ICONWARNING = 0x30, MB_ICONASTERISK = 0x40, MB_ICONINFORMATION = 0x40;
constexpr Integer MB_DEFBUTTON1 = 0x0, MB_DEFBUTTON2 = 0x100, MB_DEFBUTTON3 = 0x200;
constexpr Integer MB_APPLMODAL = 0x0, MB_SYSTEMMODAL = 0x1000, MB_TASKMODAL = 0x2000;
constexpr Integer IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7;

// ---------------------------------------------------------------------------
enum TOpenOption { ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp, ofNoValidate,
                   ofAllowMultiSelect, ofExtensionDifferent, ofPathMustExist, ofFileMustExist, ofCreatePrompt,
                   ofShareAware, ofNoReadOnlyReturn, ofNoTestFileCreate, ofNoNetworkButton, ofNoLongNames,
                   ofOldStyleDialog, ofNoDereferenceLinks, ofEnableIncludeNotify, ofEnableSizing };
using TOpenOptions = TSet<TOpenOption>;

// What a file dialog asks and, on success, what the user chose.
struct TFileDialogRequest {
    bool Save = false;
    AnsiString Title;
    AnsiString Filter;        // "Text|*.txt|All|*.*"
    Integer FilterIndex = 1;  // 1-based; updated to the chosen filter
    AnsiString InitialDir;
    AnsiString FileName;      // proposed; updated to the chosen file
    AnsiString DefaultExt;    // added (with a dot) when the chosen name has no extension
    TOpenOptions Options;
    std::vector<AnsiString> Files;   // every chosen file
};

// One filter of a "Caption|Patterns|..." filter text.
struct TFilterItem {
    AnsiString Caption;
    AnsiString Patterns;   // "*.xlsx;*.xls"
};
// Splits a filter text into its pairs; a trailing caption without patterns is dropped.
std::vector<TFilterItem> ParseFilter(const AnsiString& Filter);

class TPrompter {
public:
    virtual ~TPrompter() = default;
    // Returns mrYes, mrNo, mrOk, ... (the pressed button).
    virtual Integer MessageDlg(const AnsiString& Caption, const AnsiString& Msg, TMsgDlgType DlgType,
                               TMsgDlgButtons Buttons) = 0;
    // Returns IDOK, IDYES, ... per the MB_* flags.
    virtual Integer MessageBox(const AnsiString& Text, const AnsiString& Caption, Integer Flags) = 0;
    // False when cancelled; Value holds the typed text when true.
    virtual bool InputQuery(const AnsiString& Caption, const AnsiString& Prompt, AnsiString& Value) = 0;
    virtual bool FileDialog(TFileDialogRequest& Request) = 0;
};

// The prompter in use; SetPrompter installs one (not owned) and returns the previous;
// nullptr returns to the Qt dialogs.
TPrompter* Prompter();
TPrompter* SetPrompter(TPrompter* Value);

class TPrompterGuard {
public:
    explicit TPrompterGuard(TPrompter* P) : FPrevious(SetPrompter(P)) {}
    ~TPrompterGuard() { SetPrompter(FPrevious); }
    TPrompterGuard(const TPrompterGuard&) = delete;
    TPrompterGuard& operator=(const TPrompterGuard&) = delete;

private:
    TPrompter* FPrevious;
};

// Answers from a queue and keeps a record of every prompt. With the queue empty,
// a message is answered with its default button (Yes, else OK, else the first
// button), an input or file prompt with cancel.
class TScriptedPrompter : public TPrompter {
public:
    enum TKind { pkMessageDlg, pkMessageBox, pkInputQuery, pkFileDialog };
    struct TRecord {
        TKind Kind = pkMessageDlg;
        AnsiString Caption;
        AnsiString Text;   // message, prompt, or the dialog's title
        TMsgDlgType DlgType = mtCustom;
        TMsgDlgButtons Buttons;
        Integer Flags = 0;
        Integer Result = 0;
        TFileDialogRequest File;   // as asked
    };

    // The next message answer (mrYes... for MessageDlg, IDYES... for MessageBox).
    void QueueAnswer(Integer Result);
    void QueueInput(bool Ok, const AnsiString& Value = AnsiString());
    void QueueFile(bool Ok, const AnsiString& FileName = AnsiString(), Integer FilterIndex = 0);
    Integer Pending() const { return static_cast<Integer>(FQueue.size()); }

    const std::vector<TRecord>& Records() const { return FRecords; }
    std::vector<AnsiString> Messages() const;   // texts of the message prompts, in order
    AnsiString LastMessage() const;
    void Clear();

    // Called for every prompt before it is answered (to look at the screen then).
    std::function<void(const TRecord&)> OnPrompt;

    Integer MessageDlg(const AnsiString& Caption, const AnsiString& Msg, TMsgDlgType DlgType,
                       TMsgDlgButtons Buttons) override;
    Integer MessageBox(const AnsiString& Text, const AnsiString& Caption, Integer Flags) override;
    bool InputQuery(const AnsiString& Caption, const AnsiString& Prompt, AnsiString& Value) override;
    bool FileDialog(TFileDialogRequest& Request) override;

private:
    struct TAnswer {
        enum { Message, Input, File } Kind;
        Integer Result = 0;
        bool Ok = false;
        AnsiString Text;
    };
    // EInvalidOperation when the next queued answer is of another kind: a script out of step.
    bool Take(int Kind, TAnswer& A);
    std::deque<TAnswer> FQueue;
    std::vector<TRecord> FRecords;
};

// ---------------------------------------------------------------------------
// The operator's text for a file the system refused (EFileStreamError with its
// FileName and ErrorCode): the file named, and why, in Turkish.
AnsiString FileErrorText(const EFileStreamError& E);

// The application's title is the caption of ShowMessage.
void ShowMessage(const AnsiString& Msg);
// Captions "Warning", "Error", "Information", "Confirmation" (none for mtCustom).
Integer MessageDlg(const AnsiString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, Integer HelpCtx);
AnsiString InputBox(const AnsiString& ACaption, const AnsiString& APrompt, const AnsiString& ADefault);
bool InputQuery(const AnsiString& ACaption, const AnsiString& APrompt, AnsiString& Value);

class TOpenDialog : public TComponent {
public:
    explicit TOpenDialog(TComponent* AOwner);
    // True when a file was chosen; FileName, Files and FilterIndex then hold the choice.
    virtual bool Execute();

    const AnsiString& FileName() const { return FFileName; }
    void SetFileName(const AnsiString& Value) { FFileName = Value; }
    const AnsiString& Filter() const { return FFilter; }
    void SetFilter(const AnsiString& Value) { FFilter = Value; }
    Integer FilterIndex() const { return FFilterIndex; }
    void SetFilterIndex(Integer Value) { FFilterIndex = Value; }
    const AnsiString& InitialDir() const { return FInitialDir; }
    void SetInitialDir(const AnsiString& Value) { FInitialDir = Value; }
    const AnsiString& Title() const { return FTitle; }
    void SetTitle(const AnsiString& Value) { FTitle = Value; }
    const AnsiString& DefaultExt() const { return FDefaultExt; }
    void SetDefaultExt(const AnsiString& Value) { FDefaultExt = Value; }
    TOpenOptions Options() const { return FOptions; }
    void SetOptions(TOpenOptions Value) { FOptions = Value; }
    TStrings* Files() const { return FFiles.get(); }

protected:
    bool Run(bool Save);

private:
    AnsiString FFileName, FFilter, FInitialDir, FTitle, FDefaultExt;
    Integer FFilterIndex = 1;
    TOpenOptions FOptions{ofHideReadOnly, ofEnableSizing};
    std::unique_ptr<TStringList> FFiles;
};

class TSaveDialog : public TOpenDialog {
public:
    explicit TSaveDialog(TComponent* AOwner) : TOpenDialog(AOwner) {}
    bool Execute() override;
};
