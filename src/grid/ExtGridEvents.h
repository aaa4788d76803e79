#pragma once
// The event types of the advanced grid (TExtStringGrid and its option objects):
// what each handler is given and may change.
#include "grid/BaseGrid.h"

#include <functional>

class TEditLink;

enum TCellBorder { cbTop, cbLeft, cbRight, cbBottom };
using TCellBorders = TSet<TCellBorder>;

using TRowUpdateEvent = std::function<void(TObject* Sender, Integer OldRow, Integer NewRow)>;
using TGridColorEvent = std::function<void(TObject* Sender, Integer ARow, Integer ACol, TGridDrawState AState,
                                           TBrush* ABrush, TFont* AFont)>;
using TGridBorderEvent = std::function<void(TObject* Sender, Integer ARow, Integer ACol, TPen* APen, TCellBorders& Borders)>;
using TGridAlignEvent = std::function<void(TObject* Sender, Integer ARow, Integer ACol, TAlignment& HAlign, TVAlignment& VAlign)>;
using TGridHintEvent = std::function<void(TObject* Sender, Integer ARow, Integer ACol, AnsiString& HintStr)>;
using TGridBalloonEvent = std::function<void(TObject* Sender, Integer ACol, Integer ARow, AnsiString& ATitle,
                                             AnsiString& AText, Integer& AIcon)>;
using TDateTimeChangeEvent = std::function<void(TObject* Sender, Integer ACol, Integer ARow, TDateTime ADateTime)>;
using TGridFormatEvent = std::function<void(TObject* Sender, Integer ACol, Integer& AStyle, AnsiString& APrefix, AnsiString& ASuffix)>;
using TGetEditorTypeEvent = std::function<void(TObject* Sender, Integer ACol, Integer ARow, TEditorType& AEditor)>;
using TRowColBoolEvent = std::function<void(TObject* Sender, Integer ARow, Integer ACol, bool& Value)>;
using THasComboEvent = std::function<void(TObject* Sender, Integer ACol, Integer ARow, bool& HasComboBox)>;
using TGetCheckEvent = std::function<void(TObject* Sender, Integer ACol, Integer ARow, AnsiString& Value)>;
using TCellTextEvent = std::function<void(TObject* Sender, Integer ACol, Integer ARow, AnsiString& Value)>;
using TEllipsClickEvent = std::function<void(TObject* Sender, Integer ACol, Integer ARow, AnsiString& Value)>;
using TSelectionChangedEvent = std::function<void(TObject* Sender, Integer ALeft, Integer ATop, Integer ARight, Integer ABottom)>;
using TCellsChangedEvent = std::function<void(TObject* Sender, TRect R)>;
using TCanAddRowEvent = std::function<void(TObject* Sender, bool& CanAdd)>;
using TCanInsertRowEvent = std::function<void(TObject* Sender, Integer ARow, bool& CanInsert)>;
using TFilterProgressEvent = std::function<void(TObject* Sender, Integer Progress)>;
using TColumnSizeEvent = std::function<void(TObject* Sender, Integer ACol, bool& Allow)>;
using TRowSizeEvent = std::function<void(TObject* Sender, Integer ARow, bool& Allow)>;
using TUpdateColumnSizeEvent = std::function<void(TObject* Sender, Integer ACol, Integer& AWidth)>;
using TFloatFormatEvent = std::function<void(TObject* Sender, Integer ACol, Integer ARow, bool& IsFloat, AnsiString& FloatFormat)>;
using TGridBorderPropEvent = std::function<void(TObject* Sender, Integer ARow, Integer ACol, TPen* LeftPen, TPen* TopPen,
                                                TPen* RightPen, TPen* BottomPen)>;
using TCustomCompareEvent = std::function<void(TObject* Sender, const AnsiString& Str1, const AnsiString& Str2, Integer& Res)>;
using TRawCompareEvent = std::function<void(TObject* Sender, Integer ACol, Integer ARow1, Integer ARow2, Integer& Res)>;
using TCanSortEvent = std::function<void(TObject* Sender, Integer ACol, bool& DoSort)>;
using TClickSortEvent = std::function<void(TObject* Sender, Integer ACol)>;
using TCustomCellDrawEvent = std::function<void(TObject* Sender, TCanvas* Canvas, Integer ACol, Integer ARow,
                                                TGridDrawState AState, TRect ARect, bool Printing)>;

using TChangingEvent = std::function<void(TObject* Sender, Integer OldIndex, Integer NewIndex, bool& Allow)>;
using TCellChangingEvent = std::function<void(TObject* Sender, Integer OldRow, Integer OldCol, Integer NewRow,
                                              Integer NewCol, bool& Allow)>;
using TCellValidateEvent = std::function<void(TObject* Sender, Integer ACol, Integer ARow, AnsiString& Value, bool& Valid)>;
using TCellValidateWideEvent =
    std::function<void(TObject* Sender, Integer ACol, Integer ARow, WideString& Value, bool& Valid)>;
using TEditChangeEvent = std::function<void(TObject* Sender, Integer ACol, Integer ARow, const AnsiString& Value)>;
using TClipboardEvent = std::function<void(TObject* Sender, bool& Allow)>;
using TClipboardCellEvent = std::function<void(TObject* Sender, Integer ACol, Integer ARow, AnsiString& Value, bool& Allow)>;
using TClipboardWideCellEvent = std::function<void(TObject* Sender, Integer ACol, Integer ARow, WideString& Value, bool& Allow)>;
using TRowEvent = std::function<void(TObject* Sender, Integer ARow)>;
using TColEvent = std::function<void(TObject* Sender, Integer ACol)>;
using TCanDeleteRowEvent = std::function<void(TObject* Sender, Integer ARow, bool& CanDelete)>;
using TAutoAdvanceEvent = std::function<void(TObject* Sender, Integer OldRow, Integer OldCol, Integer& NewRow,
                                             Integer& NewCol, bool& Allow)>;
using TCheckBoxClickEvent = std::function<void(TObject* Sender, Integer ACol, Integer ARow, bool State)>;
using TButtonClickEvent = std::function<void(TObject* Sender, Integer ACol, Integer ARow)>;
// Mouse and cell-control events.
using TClickCellEvent = std::function<void(TObject* Sender, Integer ARow, Integer ACol)>;
using TCanClickCellEvent = std::function<void(TObject* Sender, Integer ARow, Integer ACol, bool& Allow)>;
using TRadioClickEvent = std::function<void(TObject* Sender, Integer ACol, Integer ARow, Integer AIdx)>;
using TAnchorClickEvent = std::function<void(TObject* Sender, Integer ARow, Integer ACol, const AnsiString& Anchor,
                                             bool& AutoHandle)>;
using TAnchorEvent = std::function<void(TObject* Sender, Integer ARow, Integer ACol, const AnsiString& Anchor)>;
using TNodeAllowEvent = std::function<void(TObject* Sender, Integer ARow, Integer ARowReal, bool& Allow)>;
using TNodeEvent = std::function<void(TObject* Sender, Integer ARow, Integer ARowReal)>;
using TIndexEvent = std::function<void(TObject* Sender, Integer AIndex)>;
using TMoveAllowEvent = std::function<void(TObject* Sender, Integer AIndex, bool& Allow)>;
// Editor controls: a step of the spin editor, a choice in the combo editor.
using TSpinClickEvent = std::function<void(TObject* Sender, Integer ACol, Integer ARow, Integer AValue, bool UpDown)>;
using TFloatSpinClickEvent = std::function<void(TObject* Sender, Integer ACol, Integer ARow, Double AValue, bool UpDown)>;
using TDateTimeSpinClickEvent = std::function<void(TObject* Sender, Integer ACol, Integer ARow, TDateTime AValue,
                                                   bool UpDown)>;
using TComboChangeEvent = std::function<void(TObject* Sender, Integer ACol, Integer ARow, Integer AItemIndex,
                                             const AnsiString& ASelection)>;
using TComboObjectChangeEvent = std::function<void(TObject* Sender, Integer ACol, Integer ARow, Integer AItemIndex,
                                                   const AnsiString& ASelection, TObject* AObject)>;
using TOleDropEvent = std::function<void(TObject* Sender, Integer ARow, Integer ACol, const AnsiString& Data, bool& Allow)>;
using TOleDroppedEvent = std::function<void(TObject* Sender, TGridRect Selection)>;
using TOleDropColEvent = std::function<void(TObject* Sender, Integer ARow, Integer ACol, Integer DropCol)>;
using TOleDragOverEvent = std::function<void(TObject* Sender, Integer ARow, Integer ACol, bool& Allow)>;
using TOleDragStopEvent = std::function<void(TObject* Sender, Integer OLEEffect)>;
using TSelectionResizeEvent = std::function<void(TObject* Sender, TGridRect OrigSelection, TGridRect NewSelection)>;
using TControlEvent = std::function<void(TObject* Sender, Integer ARow, Integer ACol, const AnsiString& CtrlID,
                                         const AnsiString& CtrlType, const AnsiString& CtrlVal)>;
using TControlComboListEvent =
    std::function<void(TObject* Sender, Integer ARow, Integer ACol, const AnsiString& CtrlID,
                       const AnsiString& CtrlType, const AnsiString& CtrlVal, TStrings* Values, bool& Edit,
                       Integer& DropCount)>;
using TGetEditorPropEvent = std::function<void(TObject* Sender, Integer ACol, Integer ARow, TEditLink* AEditLink)>;

using TCalcFooterEvent = std::function<void(TObject* Sender, Integer ACol, Integer ARow, AnsiString& Value)>;
using TFooterPaintEvent = std::function<void(TObject* Sender, Integer Column, TRect Rect, TCanvas* Canvas)>;

// Edges a drag is near, for drag scrolling.
enum TDragScrollDir { dsdUp, dsdDown, dsdLeft, dsdRight };
using TDragScrollDirection = TSet<TDragScrollDir>;
using TDragScrollEvent = std::function<void(TObject* Sender, Integer TopRow, Integer LeftCol,
                                            TDragScrollDirection& DragScrollDir, bool& CanScroll)>;
