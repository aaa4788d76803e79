#include "platform/ui/Dialogs.h"

#include "platform/rtl/Files.h"
#include "platform/ui/Forms.h"
#include "platform/ui/UiPrivate_p.h"

#include <QApplication>
#include <QDateTime>
#include <QFileDialog>
#include <QFontMetrics>
#include <QHeaderView>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeView>

#include <cerrno>

std::vector<TFilterItem> ParseFilter(const AnsiString& Filter) {
    std::vector<TFilterItem> L;
    std::vector<AnsiString> Parts;
    size_t Start = 0;
    for (;;) {
        size_t Bar = Filter.find('|', Start);
        Parts.push_back(Filter.substr(Start, Bar == AnsiString::npos ? AnsiString::npos : Bar - Start));
        if (Bar == AnsiString::npos) break;
        Start = Bar + 1;
    }
    for (size_t I = 0; I + 1 < Parts.size(); I += 2) L.push_back(TFilterItem{Parts[I], Parts[I + 1]});
    if (Filter.empty()) L.clear();
    return L;
}

namespace {

// Why the system refused a file, as the operator is told.
AnsiString FileErrorReason(Integer Code) {
    switch (Code) {
        case EISDIR: return "bu adda bir klasör var";
        case ENOTDIR: return "yolundaki bir ad klasör değil";
        case ENOENT: return "böyle bir dosya ya da klasör yok";
        case EACCES: return "erişim izni yok";
        case EPERM: return "dosya korumalı, değiştirilemiyor";
        case EROFS: return "disk yalnızca okunabilir";
        case ENOSPC: return "diskte yer kalmadı";
        case EDQUOT: return "disk kotası doldu";
        case ENAMETOOLONG: return "dosya adı çok uzun";
        case EBUSY:
        case ETXTBSY: return "dosya kullanımda";
        case EIO: return "disk okunurken ya da yazılırken hata oluştu";
        default: return "sistem hatası " + IntToStr(Code);
    }
}

const char* DlgCaption(TMsgDlgType T) {
    switch (T) {
        case mtWarning: return "Uyarı";
        case mtError: return "Hata";
        case mtInformation: return "Bilgi";
        case mtConfirmation: return "Onay";
        default: return "";
    }
}

// The framework's order of the buttons and the results they give.
struct TBtnInfo {
    TMsgDlgBtn Btn;
    QMessageBox::StandardButton Std;
    Integer Result;
};
constexpr TBtnInfo kButtons[] = {
    {mbYes, QMessageBox::Yes, mrYes},           {mbNo, QMessageBox::No, mrNo},
    {mbOK, QMessageBox::Ok, mrOk},              {mbCancel, QMessageBox::Cancel, mrCancel},
    {mbAbort, QMessageBox::Abort, mrAbort},     {mbRetry, QMessageBox::Retry, mrRetry},
    {mbIgnore, QMessageBox::Ignore, mrIgnore},  {mbAll, QMessageBox::YesToAll, mrAll},
    {mbNoToAll, QMessageBox::NoToAll, mrNoToAll}, {mbYesToAll, QMessageBox::YesToAll, mrYesToAll},
    {mbHelp, QMessageBox::Help, 0},             {mbClose, QMessageBox::Close, mrClose},
};

Integer DefaultDlgAnswer(TMsgDlgButtons Buttons) {
    if (Buttons.Contains(mbYes)) return mrYes;
    if (Buttons.Contains(mbOK)) return mrOk;
    for (const TBtnInfo& B : kButtons)
        if (Buttons.Contains(B.Btn)) return B.Result;
    return mrOk;
}

// The answers of a Windows-style box, first one the default.
std::vector<Integer> BoxAnswers(Integer Flags) {
    switch (Flags & 0xF) {
        case MB_OKCANCEL: return {IDOK, IDCANCEL};
        case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
        case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
        case MB_YESNO: return {IDYES, IDNO};
        case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
        default: return {IDOK};
    }
}

Integer DefaultBoxAnswer(Integer Flags) {
    auto A = BoxAnswers(Flags);
    size_t D = (Flags & MB_DEFBUTTON3) ? 2 : (Flags & MB_DEFBUTTON2) ? 1 : 0;
    return A[std::min(D, A.size() - 1)];
}

QString QtFilter(const AnsiString& Filter) {
    QStringList L;
    for (const TFilterItem& F : ParseFilter(Filter)) {
        QString P = ToQ(F.Patterns);
        P.replace(QLatin1Char(';'), QLatin1Char(' '));
        L << ToQ(F.Caption) + QStringLiteral(" (") + P + QStringLiteral(")");
    }
    return L.join(QStringLiteral(";;"));
}

// The date column of Qt's own chooser holds its dates whole (any month in the
// system's short form, with the time), however narrow an earlier use left it.
void WidenDateColumn(QFileDialog& D) {
    auto* View = D.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!View || View->header()->count() < 4) return;   // the desktop's own chooser
    const QFontMetrics M(View->font());
    int Date = 0;
    for (int Month = 1; Month <= 12; ++Month)
        Date = std::max(Date, M.horizontalAdvance(QLocale::system().toString(
                                  QDateTime(QDate(2000, Month, 28), QTime(23, 59, 59)), QLocale::ShortFormat)));
    View->header()->resizeSection(3, Date + 3 * M.averageCharWidth());
    D.resize(std::max(D.width(), View->header()->length() + 200), D.height());
}

class TQtPrompter : public TPrompter {
public:
    Integer MessageDlg(const AnsiString& Caption, const AnsiString& Msg, TMsgDlgType DlgType,
                       TMsgDlgButtons Buttons) override {
        EnsureQtApp();
        QMessageBox Box;
        Box.setWindowTitle(ToQ(Caption));
        Box.setText(ToQ(Msg));
        switch (DlgType) {
            case mtWarning: Box.setIcon(QMessageBox::Warning); break;
            case mtError: Box.setIcon(QMessageBox::Critical); break;
            case mtInformation: Box.setIcon(QMessageBox::Information); break;
            case mtConfirmation: Box.setIcon(QMessageBox::Question); break;
            default: break;
        }
        std::vector<std::pair<QAbstractButton*, Integer>> Map;
        for (const TBtnInfo& B : kButtons) {
            if (!Buttons.Contains(B.Btn)) continue;
            // Qt has no "All" of its own; "Yes to All" is another button.
            QAbstractButton* Q = B.Btn == mbAll ? Box.addButton(ToQ("&Tümü"), QMessageBox::YesRole)
                                                : Box.addButton(B.Std);
            Map.emplace_back(Q, B.Result);
        }
        Integer Def = DefaultDlgAnswer(Buttons);
        for (auto& P : Map)
            if (P.second == Def) Box.setDefaultButton(static_cast<QPushButton*>(P.first));
        Box.exec();
        for (auto& P : Map)
            if (Box.clickedButton() == P.first) return P.second;
        return Buttons.Contains(mbCancel) ? mrCancel : Def;
    }

    Integer MessageBox(const AnsiString& Text, const AnsiString& Caption, Integer Flags) override {
        EnsureQtApp();
        QMessageBox Box;
        Box.setWindowTitle(ToQ(Caption));
        Box.setText(ToQ(Text));
        switch (Flags & 0xF0) {
            case MB_ICONSTOP: Box.setIcon(QMessageBox::Critical); break;
            case MB_ICONQUESTION: Box.setIcon(QMessageBox::Question); break;
            case MB_ICONWARNING: Box.setIcon(QMessageBox::Warning); break;
            case MB_ICONINFORMATION: Box.setIcon(QMessageBox::Information); break;
            default: break;
        }
        std::vector<std::pair<QAbstractButton*, Integer>> Map;
        for (Integer A : BoxAnswers(Flags)) {
            QMessageBox::StandardButton S = A == IDOK ? QMessageBox::Ok : A == IDCANCEL ? QMessageBox::Cancel
                                          : A == IDABORT ? QMessageBox::Abort : A == IDRETRY ? QMessageBox::Retry
                                          : A == IDIGNORE ? QMessageBox::Ignore : A == IDYES ? QMessageBox::Yes
                                                                                : QMessageBox::No;
            Map.emplace_back(Box.addButton(S), A);
        }
        Integer Def = DefaultBoxAnswer(Flags);
        for (auto& P : Map)
            if (P.second == Def) Box.setDefaultButton(static_cast<QPushButton*>(P.first));
        Box.exec();
        for (auto& P : Map)
            if (Box.clickedButton() == P.first) return P.second;
        return (Flags & 0xF) == MB_OK ? IDOK : IDCANCEL;
    }

    bool InputQuery(const AnsiString& Caption, const AnsiString& Prompt, AnsiString& Value) override {
        EnsureQtApp();
        QInputDialog D(QApplication::activeWindow());
        D.setWindowTitle(ToQ(Caption));
        D.setLabelText(ToQ(Prompt));
        D.setTextValue(ToQ(Value));
        // The answer is 8-bit: the line shows what it will give.
        QObject::connect(&D, &QInputDialog::textValueChanged, &D, [&D](const QString& T) {
            if (ShownAsStored(T) != T) D.setTextValue(ShownAsStored(T));
        });
        const bool Ok = D.exec() == QDialog::Accepted;
        if (Ok) Value = FromQ(D.textValue());
        return Ok;
    }

    bool FileDialog(TFileDialogRequest& R) override {
        EnsureQtApp();
        QFileDialog D(QApplication::activeWindow(), ToQ(R.Title), ToQ(R.InitialDir), QtFilter(R.Filter));
        D.setAcceptMode(R.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        if (R.Save) D.setFileMode(QFileDialog::AnyFile);
        else if (R.Options.Contains(ofAllowMultiSelect)) D.setFileMode(QFileDialog::ExistingFiles);
        else D.setFileMode(R.Options.Contains(ofFileMustExist) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        if (!R.Options.Contains(ofOverwritePrompt)) D.setOption(QFileDialog::DontConfirmOverwrite, true);
        const QStringList Filters = D.nameFilters();
        if (R.FilterIndex >= 1 && R.FilterIndex <= Filters.size()) D.selectNameFilter(Filters[R.FilterIndex - 1]);
        if (!R.FileName.empty()) D.selectFile(ToQ(R.FileName));
        if (!R.DefaultExt.empty()) D.setDefaultSuffix(ToQ(R.DefaultExt));
        WidenDateColumn(D);
        if (D.exec() != QDialog::Accepted) return false;
        R.Files.clear();
        for (const QString& F : D.selectedFiles()) R.Files.push_back(FromQ(F));
        if (R.Files.empty()) return false;
        R.FileName = R.Files.front();
        R.FilterIndex = static_cast<Integer>(Filters.indexOf(D.selectedNameFilter())) + 1;
        return true;
    }
};

TPrompter* GPrompter = nullptr;

}  // namespace

TPrompter* Prompter() {
    static TQtPrompter Default;
    return GPrompter ? GPrompter : &Default;
}

TPrompter* SetPrompter(TPrompter* Value) {
    TPrompter* Old = GPrompter;
    GPrompter = Value;
    return Old;
}

// ---------------------------------------------------------------------------
void TScriptedPrompter::QueueAnswer(Integer Result) { FQueue.push_back(TAnswer{TAnswer::Message, Result, false, {}}); }
void TScriptedPrompter::QueueInput(bool Ok, const AnsiString& Value) {
    FQueue.push_back(TAnswer{TAnswer::Input, 0, Ok, Value});
}
void TScriptedPrompter::QueueFile(bool Ok, const AnsiString& FileName, Integer FilterIndex) {
    FQueue.push_back(TAnswer{TAnswer::File, FilterIndex, Ok, FileName});
}

bool TScriptedPrompter::Take(int Kind, TAnswer& A) {
    if (FQueue.empty()) return false;
    if (FQueue.front().Kind != Kind)
        throw EInvalidOperation("Scripted prompter: the next queued answer is for another kind of prompt");
    A = FQueue.front();
    FQueue.pop_front();
    return true;
}

std::vector<AnsiString> TScriptedPrompter::Messages() const {
    std::vector<AnsiString> L;
    for (const TRecord& R : FRecords)
        if (R.Kind == pkMessageDlg || R.Kind == pkMessageBox) L.push_back(R.Text);
    return L;
}

AnsiString TScriptedPrompter::LastMessage() const {
    auto L = Messages();
    return L.empty() ? AnsiString() : L.back();
}

void TScriptedPrompter::Clear() {
    FQueue.clear();
    FRecords.clear();
}

Integer TScriptedPrompter::MessageDlg(const AnsiString& Caption, const AnsiString& Msg, TMsgDlgType DlgType,
                                      TMsgDlgButtons Buttons) {
    TRecord R;
    R.Kind = pkMessageDlg;
    R.Caption = Caption;
    R.Text = Msg;
    R.DlgType = DlgType;
    R.Buttons = Buttons;
    FireEvent(OnPrompt, R);
    TAnswer A;
    R.Result = Take(TAnswer::Message, A) ? A.Result : DefaultDlgAnswer(Buttons);
    FRecords.push_back(R);
    return R.Result;
}

Integer TScriptedPrompter::MessageBox(const AnsiString& Text, const AnsiString& Caption, Integer Flags) {
    TRecord R;
    R.Kind = pkMessageBox;
    R.Caption = Caption;
    R.Text = Text;
    R.Flags = Flags;
    FireEvent(OnPrompt, R);
    TAnswer A;
    R.Result = Take(TAnswer::Message, A) ? A.Result : DefaultBoxAnswer(Flags);
    FRecords.push_back(R);
    return R.Result;
}

bool TScriptedPrompter::InputQuery(const AnsiString& Caption, const AnsiString& Prompt, AnsiString& Value) {
    TRecord R;
    R.Kind = pkInputQuery;
    R.Caption = Caption;
    R.Text = Prompt;
    FireEvent(OnPrompt, R);
    TAnswer A;
    bool Ok = Take(TAnswer::Input, A) && A.Ok;
    if (Ok) Value = A.Text;
    R.Result = Ok ? mrOk : mrCancel;
    FRecords.push_back(R);
    return Ok;
}

bool TScriptedPrompter::FileDialog(TFileDialogRequest& Request) {
    TRecord R;
    R.Kind = pkFileDialog;
    R.Caption = Request.Title;
    R.Text = Request.Title;
    R.File = Request;
    FireEvent(OnPrompt, R);
    TAnswer A;
    bool Ok = Take(TAnswer::File, A) && A.Ok;
    if (Ok) {
        Request.FileName = A.Text;
        Request.Files = {A.Text};
        if (A.Result > 0) Request.FilterIndex = A.Result;
    }
    R.Result = Ok ? mrOk : mrCancel;
    FRecords.push_back(R);
    return Ok;
}

// ---------------------------------------------------------------------------
void ShowMessage(const AnsiString& Msg) {
    Prompter()->MessageDlg(Application ? Application->Title() : AnsiString(), Msg, mtCustom, TMsgDlgButtons{mbOK});
}

Integer MessageDlg(const AnsiString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, Integer) {
    AnsiString Caption = DlgType == mtCustom && Application ? Application->Title() : AnsiString(DlgCaption(DlgType));
    return Prompter()->MessageDlg(Caption, Msg, DlgType, Buttons);
}

AnsiString InputBox(const AnsiString& ACaption, const AnsiString& APrompt, const AnsiString& ADefault) {
    AnsiString V = ADefault;
    if (!Prompter()->InputQuery(ACaption, APrompt, V)) return ADefault;
    return V;
}

bool InputQuery(const AnsiString& ACaption, const AnsiString& APrompt, AnsiString& Value) {
    AnsiString V = Value;
    if (!Prompter()->InputQuery(ACaption, APrompt, V)) return false;
    Value = V;
    return true;
}

// ---------------------------------------------------------------------------
TOpenDialog::TOpenDialog(TComponent* AOwner) : TComponent(AOwner), FFiles(std::make_unique<TStringList>()) {}

bool TOpenDialog::Execute() { return Run(false); }
bool TSaveDialog::Execute() { return Run(true); }

bool TOpenDialog::Run(bool Save) {
    TFileDialogRequest R;
    R.Save = Save;
    R.Title = FTitle;
    R.Filter = FFilter;
    R.FilterIndex = FFilterIndex;
    R.InitialDir = FInitialDir;
    R.FileName = FFileName;
    R.DefaultExt = FDefaultExt;
    R.Options = FOptions;
    if (!Prompter()->FileDialog(R)) return false;
    AnsiString Name = R.FileName;
    if (!FDefaultExt.empty() && !Name.empty() && ExtractFileExt(Name).empty()) {
        Name += FDefaultExt[0] == '.' ? FDefaultExt : "." + FDefaultExt;
    }
    FFileName = Name;
    FFilterIndex = R.FilterIndex;
    FFiles->Clear();
    if (R.Files.empty()) FFiles->Add(Name);
    for (const AnsiString& F : R.Files) FFiles->Add(F == R.FileName ? Name : F);
    return true;
}

AnsiString FileErrorText(const EFileStreamError& E) {
    const AnsiString Reason = FileErrorReason(E.ErrorCode);
    if (dynamic_cast<const EFCreateError*>(&E))
        return "\"" + E.FileName + "\" dosyası yazılamadı: " + Reason + ". Yerindeki dosya ya da klasör değiştirilmedi.";
    return "\"" + E.FileName + "\" dosyası açılamadı: " + Reason + ".";
}
