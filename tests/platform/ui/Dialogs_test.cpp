#include "platform/ui/Dialogs.h"

#include "platform/ui/Forms.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QDialog>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QTimer>
#include <QTreeView>

#include <functional>

TEST(Dialogs, FilterTextSplitsIntoPairs) {
    auto L = ParseFilter("xlsx|*.xlsx|xls Dosyaları|*.xls|Csv Dosyaları|*.csv");
    ASSERT_EQ(L.size(), 3u);
    EXPECT_EQ(L[1].Caption, "xls Dosyaları");
    EXPECT_EQ(L[2].Patterns, "*.csv");
    EXPECT_TRUE(ParseFilter("").empty());
    EXPECT_EQ(ParseFilter("Tümü|*.*|yarım").size(), 1u);
}

TEST(Dialogs, ScriptedAnswersAndRecords) {
    TScriptedPrompter P;
    TPrompterGuard G(&P);
    Application->SetTitle("OSB");
    P.QueueAnswer(mrNo);
    EXPECT_EQ(MessageDlg("Kayıt Silinsinmi?", mtConfirmation, mbYesNoCancel, 0), mrNo);
    ShowMessage("Kayıt Tamamlandı.");
    P.QueueAnswer(IDNO);
    EXPECT_EQ(Application->MessageBox("Devam?", "Soru", MB_YESNO | MB_ICONQUESTION), IDNO);
    ASSERT_EQ(P.Records().size(), 3u);
    EXPECT_EQ(P.Records()[0].Caption, "Confirmation");
    EXPECT_EQ(P.Records()[0].Buttons, mbYesNoCancel);
    EXPECT_EQ(P.Records()[1].Caption, "OSB");
    EXPECT_EQ(P.Records()[1].Result, mrOk);
    EXPECT_EQ(P.Messages(), (std::vector<AnsiString>{"Kayıt Silinsinmi?", "Kayıt Tamamlandı.", "Devam?"}));
}

TEST(Dialogs, UnscriptedPromptsTakeTheDefault) {
    TScriptedPrompter P;
    TPrompterGuard G(&P);
    EXPECT_EQ(MessageDlg("?", mtConfirmation, mbYesNoCancel, 0), mrYes);
    EXPECT_EQ(MessageDlg("?", mtWarning, mbOKCancel, 0), mrOk);
    EXPECT_EQ(P.MessageBox("?", "", MB_YESNO | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(InputBox("Başlık", "Değer", "varsayılan"), "varsayılan");
    TOpenDialog D(nullptr);
    EXPECT_FALSE(D.Execute());
}

TEST(Dialogs, ScriptOutOfStepIsAnError) {
    TScriptedPrompter P;
    TPrompterGuard G(&P);
    P.QueueInput(true, "x");
    EXPECT_THROW(ShowMessage("a"), EInvalidOperation);
}

TEST(Dialogs, InputQueryKeepsValueOnCancel) {
    TScriptedPrompter P;
    TPrompterGuard G(&P);
    AnsiString V = "eski";
    P.QueueInput(false);
    EXPECT_FALSE(InputQuery("c", "p", V));
    EXPECT_EQ(V, "eski");
    P.QueueInput(true, "yeni değer");
    EXPECT_TRUE(InputQuery("c", "p", V));
    EXPECT_EQ(V, "yeni değer");
}

TEST(Dialogs, OpenAndSaveDialogsPassTheirSettingsAndTakeTheChoice) {
    TScriptedPrompter P;
    TPrompterGuard G(&P);
    TOpenDialog D(nullptr);
    D.SetFilter("xlsx|*.xlsx|Csv Dosyaları|*.csv");
    D.SetInitialDir("/tmp");
    D.SetTitle("Dosya Seç");
    P.QueueFile(true, "/tmp/liste.csv", 2);
    ASSERT_TRUE(D.Execute());
    EXPECT_EQ(D.FileName(), "/tmp/liste.csv");
    EXPECT_EQ(D.FilterIndex(), 2);
    EXPECT_EQ(D.Files()->Count(), 1);
    const auto& R = P.Records().back().File;
    EXPECT_FALSE(R.Save);
    EXPECT_EQ(R.Filter, "xlsx|*.xlsx|Csv Dosyaları|*.csv");
    EXPECT_EQ(R.InitialDir, "/tmp");

    TSaveDialog S(nullptr);
    S.SetDefaultExt("xml");
    P.QueueFile(true, "/tmp/elektrik_abone_kimlik");
    ASSERT_TRUE(S.Execute());
    EXPECT_EQ(S.FileName(), "/tmp/elektrik_abone_kimlik.xml");
    EXPECT_TRUE(P.Records().back().File.Save);
}

namespace {

// The captions of the buttons and labels of the dialog that Open shows, read
// while it is open; it is then closed unanswered.
QStringList ShownTexts(const std::function<void()>& Open, int* DateColumn = nullptr) {
    QStringList Texts;
    QTimer Poll;
    QObject::connect(&Poll, &QTimer::timeout, [&] {
        auto* D = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!D) return;
        Poll.stop();
        for (QAbstractButton* B : D->findChildren<QAbstractButton*>()) Texts << B->text().remove(QLatin1Char('&'));
        for (QLabel* L : D->findChildren<QLabel*>()) Texts << L->text().remove(QLatin1Char('&'));
        if (auto* View = D->findChild<QTreeView*>(); View && DateColumn) *DateColumn = View->header()->sectionSize(3);
        D->done(QDialog::Rejected);
    });
    Poll.start(10);
    Open();
    return Texts;
}

}  // namespace

// Qt's own dialogs speak Turkish whatever the system's language, and the file
// chooser's date column holds its dates whole.
TEST(Dialogs, QtOwnDialogsSpeakTurkish) {
    const TForm Program(nullptr);   // the window system is up before the dialogs open
    const std::vector<std::pair<std::function<void()>, QStringList>> Cases = {
        {[] { MessageDlg("Kayıt Silinsinmi?", mtConfirmation, mbYesNoCancel, 0); },
         {QStringLiteral("Evet"), QString::fromUtf16(u"Hayır"), QString::fromUtf16(u"İptal")}},
        {[] { ShowMessage("Kayıt Tamamlandı."); }, {QStringLiteral("Tamam")}},
        {[] { InputBox("Yetki Kodunu Giriniz", "Yetki Kodu", ""); }, {QStringLiteral("Tamam"), QString::fromUtf16(u"İptal")}},
    };
    for (const auto& [Open, Expected] : Cases) {
        const QStringList Texts = ShownTexts(Open);
        for (const QString& E : Expected) EXPECT_TRUE(Texts.contains(E)) << E.toStdString() << " in " << Texts.join('|').toStdString();
    }
    TOpenDialog Chooser(nullptr);
    Chooser.SetFilter("xlsx|*.xlsx|xls Dosyaları|*.xls");
    int DateColumn = 0;
    const QStringList Texts = ShownTexts([&] { Chooser.Execute(); }, &DateColumn);
    for (const char16_t* E : {u"Arama konumu:", u"Dosya adı:", u"Dosyaların türü:", u"Aç", u"İptal"})
        EXPECT_TRUE(Texts.contains(QString::fromUtf16(E))) << QString::fromUtf16(E).toStdString();
    const QString Now = QLocale::system().toString(QDateTime(QDate(2026, 12, 28), QTime(23, 59, 59)), QLocale::ShortFormat);
    EXPECT_GT(DateColumn, QFontMetrics(QApplication::font()).horizontalAdvance(Now));
}
