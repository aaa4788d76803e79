#include "platform/ui/Dialogs.h"

#include "platform/ui/Forms.h"

#include <gtest/gtest.h>
#include <QCoreApplication>

TEST(Dialogs, FilterTextSplitsIntoPairs) {
    auto L = ParseFilter("xlsx|*.xlsx|xls Dosyaları|*.xls|Csv Dosyaları|*.csv");
    ASSERT_EQ(L.size(), 3u);
    EXPECT_EQ(L[1].Caption, "xls Dosyaları");
    EXPECT_EQ(L[2].Patterns, "*.csv");
    EXPECT_TRUE(ParseFilter("").empty());
    EXPECT_EQ(ParseFilter("Tümü|*.*|yarım").size(), 1u);
}

// Every prompt goes to the script P.
class ScriptedDialogs : public ::testing::Test {
protected:
    TScriptedPrompter P;
    TPrompterGuard G{&P};
};

TEST_F(ScriptedDialogs, ScriptedAnswersAndRecords) {
    Application->SetTitle("OSB");
    P.QueueAnswer(mrNo);
    EXPECT_EQ(MessageDlg("Kayıt Silinsinmi?", mtConfirmation, mbYesNoCancel, 0), mrNo);
    ShowMessage("Kayıt Tamamlandı.");
    P.QueueAnswer(IDNO);
    EXPECT_EQ(Application->MessageBox("Devam?", "Soru", MB_YESNO | MB_ICONQUESTION), IDNO);
    ASSERT_EQ(P.Records().size(), 3u);
    EXPECT_EQ(P.Records()[0].Caption, "Onay");
    EXPECT_EQ(P.Records()[0].Buttons, mbYesNoCancel);
    EXPECT_EQ(P.Records()[1].Caption, "OSB");
    EXPECT_EQ(P.Records()[1].Result, mrOk);
    EXPECT_EQ(P.Messages(), (std::vector<AnsiString>{"Kayıt Silinsinmi?", "Kayıt Tamamlandı.", "Devam?"}));
}

TEST_F(ScriptedDialogs, TitlesAreTurkish) {
    for (TMsgDlgType T : {mtInformation, mtWarning, mtError}) MessageDlg("?", T, TMsgDlgButtons{mbOK}, 0);
    EXPECT_EQ(P.Records()[0].Caption + P.Records()[1].Caption + P.Records()[2].Caption, "BilgiUyarıHata");
}

TEST_F(ScriptedDialogs, UnscriptedPromptsTakeTheDefault) {
    EXPECT_EQ(MessageDlg("?", mtConfirmation, mbYesNoCancel, 0), mrYes);
    EXPECT_EQ(MessageDlg("?", mtWarning, mbOKCancel, 0), mrOk);
    EXPECT_EQ(P.MessageBox("?", "", MB_YESNO | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(InputBox("Başlık", "Değer", "varsayılan"), "varsayılan");
    TOpenDialog D(nullptr);
    EXPECT_FALSE(D.Execute());
}

TEST_F(ScriptedDialogs, ScriptOutOfStepIsAnError) {
    P.QueueInput(true, "x");
    EXPECT_THROW(ShowMessage("a"), EInvalidOperation);
}

TEST_F(ScriptedDialogs, InputQueryKeepsValueOnCancel) {
    AnsiString V = "eski";
    P.QueueInput(false);
    EXPECT_FALSE(InputQuery("c", "p", V));
    EXPECT_EQ(V, "eski");
    P.QueueInput(true, "yeni değer");
    EXPECT_TRUE(InputQuery("c", "p", V));
    EXPECT_EQ(V, "yeni değer");
}

TEST_F(ScriptedDialogs, OpenAndSaveDialogsPassTheirSettingsAndTakeTheChoice) {
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

TEST(Dialogs, QtOwnDialogsSpeakTurkish) {
    const TForm Program(nullptr);   // the program has started
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), QString::fromUtf16(u"&Evet"));
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), QString::fromUtf16(u"Arama konumu:"));
    // The chooser's type names, which Qt asks for under another name than the catalogue's.
    EXPECT_EQ(QCoreApplication::translate("QAbstractFileIconProvider", "Folder", "All other platforms"),
              QString::fromUtf16(u"Klasör"));
}
