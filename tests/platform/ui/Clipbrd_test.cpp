#include "platform/ui/Clipbrd.h"

#include <gtest/gtest.h>

TEST(Clipbrd, TextRoundTripsAsCp1254) {
    Clipboard()->SetAsText("Şubat\tMart");
    EXPECT_TRUE(Clipboard()->HasFormat(CF_TEXT));
    EXPECT_EQ(Clipboard()->AsText(), "Şubat\tMart");
}

TEST(Clipbrd, OwnFormatsByNameAndBatching) {
    Word Grid = RegisterClipboardFormat("OSB Grid Cells");
    EXPECT_EQ(RegisterClipboardFormat("osb grid cells"), Grid);
    EXPECT_GE(Grid, 0xC000);
    EXPECT_EQ(ClipboardFormatName(Grid), "OSB Grid Cells");
    Clipboard()->Open();
    Clipboard()->SetAsText("metin");
    Clipboard()->SetBuffer(Grid, std::string("\x01\x00\x02", 3));
    Clipboard()->Close();
    EXPECT_EQ(Clipboard()->AsText(), "metin");
    EXPECT_EQ(Clipboard()->GetBuffer(Grid), std::string("\x01\x00\x02", 3));
    Clipboard()->SetAsText("tek");   // outside Open: replaces everything
    EXPECT_FALSE(Clipboard()->HasFormat(Grid));
    Clipboard()->Clear();
    EXPECT_EQ(Clipboard()->AsText(), "");
}

TEST(Clipbrd, DataObjectTextFromUnicode) {
    TDataObject D;
    std::string U16 = std::string("\x5E\x01\x31\x01", 4);   // "Şı" in UTF-16LE
    D.SetData(CF_UNICODETEXT, U16);
    EXPECT_TRUE(D.HasFormat(CF_TEXT));
    EXPECT_EQ(D.AsText(), "Şı");
}

TEST(Clipbrd, DataObjectsCrossMimeDataWithOwnFormats) {
    Word F = RegisterClipboardFormat("Hücre Listesi");
    TDataObject D;
    D.SetAsText("a\tb");
    D.SetData(F, "bytes");
    TClipboard C;
    C.SetData(D);
    TDataObject Back;
    C.GetData(Back);
    EXPECT_EQ(Back.AsText(), "a\tb");
    EXPECT_EQ(Back.GetData(F), "bytes");
    EXPECT_EQ(ClipboardFormatName(F), "Hücre Listesi");
    EXPECT_EQ(ClipboardFormatName(12345), "");
}

// Unicode text keeps the characters that code page 1254 lacks, both ways.
TEST(Clipbrd, UnicodeTextKeepsCharactersOutsideTheCodePage) {
    const std::u16string Wide = u"Ж€ş";
    Clipboard()->SetAsWideText(Wide);
    EXPECT_EQ(Clipboard()->AsWideText(), Wide);
    EXPECT_EQ(Clipboard()->AsText(), "?€ş");   // the 8-bit view marks what it cannot hold
    TDataObject Eight;                           // 8-bit text alone reads as Unicode too
    Eight.SetAsText(std::string("Şı\0x", 5));
    EXPECT_EQ(Eight.AsWideText(), u"Şı");
}
