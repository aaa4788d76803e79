#pragma once
// Set-ups several grid test programs share: a theme the themed colours follow, a file
// in a temporary folder of its own, and an editing grid on a shown form.
#include "grid/EsgHTMLE.h"
#include "grid/ExtGrid.h"
#include "grid/ExtObj.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/UiTestKit.h"
#include "support/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace gridtest {

// The theme name the grid's themed colours ask for, for as long as the guard lives.
struct TThemeName {
    static inline const char* Name = "";
    static AnsiString Get() { return Name; }
};
struct TThemeGuard {
    TThemeColorNameFunc Saved;
    explicit TThemeGuard(const char* Name) {
        TThemeName::Name = Name;
        Saved = SetThemeColorNameFunc(&TThemeName::Get);
    }
    ~TThemeGuard() { SetThemeColorNameFunc(Saved); }
};

// A file holding Bytes in a fresh temporary folder; both go with the object.
struct TTempFile {
    TTempFolder Folder{"gridtest"};
    std::filesystem::path Dir = Folder.Path(), Path;
    explicit TTempFile(const std::string& Bytes, const char* Name = "data.csv") {
        Path = Dir / Name;
        std::ofstream(Path, std::ios::binary) << Bytes;
    }
    AnsiString Name() const { return Path.string(); }
};

// Two pictures of Size x Size pixels in one colour each: index 0 in First, index 1 in Second.
class TSolidImages : public THTMLImageList {
public:
    TSolidImages(Integer Size, TColor First, TColor Second) : FSize(Size), FFirst(First), FSecond(Second) {}
    Integer Count() const override { return 2; }
    Integer Width() const override { return FSize; }
    Integer Height() const override { return FSize; }
    void Draw(TCanvas* Canvas, Integer X, Integer Y, Integer Index) override {
        Canvas->Brush()->SetColor(Index == 0 ? FFirst : FSecond);
        Canvas->FillRect(Bounds(X, Y, FSize, FSize));
    }

private:
    Integer FSize;
    TColor FFirst, FSecond;
};

// A grid of Cols x Rows, editing unless told otherwise, shown with the focus on it.
struct TEditingGrid : uitest::TGridOnForm<TExtStringGrid> {
    TEdit* Before = nullptr;   // made by AddEditBefore
    explicit TEditingGrid(Integer Cols, Integer Rows, bool Editing = true) : TGridOnForm(Cols, Rows) {
        if (Editing) Options({goEditing});
        ShowFocused();
    }
    // F2 on the cell, as a user opens its editor.
    void Edit(Integer ACol, Integer ARow) {
        Grid->SetCol(ACol);
        Grid->SetRow(ARow);
        Key(Qt::Key_F2);
    }
    // The cells of column 1 open editor E.
    void EditorInColumn1(TEditorType E) {
        Grid->OnGetEditorType = [E](TObject*, Integer ACol, Integer, TEditorType& AEditor) {
            if (ACol == 1) AEditor = E;
        };
    }
    // An edit above the grid, first in the tab order, takes the focus; TabIn moves it
    // into the grid as the user does.
    void AddEditBefore() {
        Grid->SetTop(30);
        Before = uitest::Place<TEdit>(Form.get(), 0, 0, 100, 24);
        Before->SetTabOrder(0);
        Before->SetFocus();
        uitest::Settle();
    }
    void TabIn() {
        uitest::SystemKey(Before, Qt::Key_Tab);
        uitest::Settle();
    }
};

}  // namespace gridtest
