#pragma once
// The subscriber identity transfer files, written from the marked rows of a
// subscriber transfer screen's grid. The screens' write buttons call
// WriteIdentityTransferFile with their grid and the texts of their controls.
#include "transfer/ZemtarFile.h"

class TExtStringGrid;

// Which file of a subscriber transfer screen.
enum TIdentityFileKind {
    ifAllSubscribers,   // "tum_<kind>_abone_kimlik.xml" in YOL, month ay, year yil
    ifPeriod,           // "<kind>_abone_kimlik.xml" in iyol, month iay, year iyil
    ifClosedOrChanged   // electricity only: "elektrik_abone_kimlik.xml" in iyol, fixed period and file number
};

// Selection column of the identity grids.
constexpr Integer IdentityMarkCol = 38;

// The texts of the calling screen's controls.
struct TIdentityFileInputs {
    AnsiString Month;       // month combo box (ay / iay); unused by ifClosedOrChanged
    AnsiString Year;        // year spin edit (yil / iyil); unused by ifClosedOrChanged
    AnsiString Folder;      // YOL / iyol, carrying its own trailing delimiter
    AnsiString ZoneTaxNo;   // VERGINOM
    AnsiString ZoneTitle;   // OSBUNVAN
    AnsiString FileNo;      // dosyano; unused by ifClosedOrChanged
};

AnsiString IdentityFileName(const TZemtarEnergyKind& Kind, TIdentityFileKind FileKind);
// The path written: the folder text followed by the file name (ZemtarFilePath).
AnsiString IdentityFilePath(const TZemtarEnergyKind& Kind, TIdentityFileKind FileKind,
                            const TIdentityFileInputs& Inputs);

// The whole file into Out, in its stored form; no input checks. Raises
// EInvalidOperation for a combination no screen has (gas closed or changed) and
// EZemtarText naming the row and column of a character XML does not allow.
void BuildIdentityTransferFile(TZemtarText& Out, const TZemtarEnergyKind& Kind, TIdentityFileKind FileKind,
                               const TExtStringGrid& Grid, const TIdentityFileInputs& Inputs);

// The write of one variant, as the screen's button runs it: checks the month
// (not for ifClosedOrChanged) and the zone tax number, each failure shown in a
// message box and returned so the screen can focus the control, then the folder
// (zcFolder when it is missing or cannot be written); otherwise writes the file,
// shows "<path> dosyası oluştu" and returns zcOk. File failures and forbidden
// characters raise (the earlier file is kept, no success message).
TZemtarCheck WriteIdentityTransferFile(const TZemtarEnergyKind& Kind, TIdentityFileKind FileKind,
                                       const TExtStringGrid& Grid, const TIdentityFileInputs& Inputs);
