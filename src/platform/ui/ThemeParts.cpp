#include "platform/ui/ThemeParts.h"

#include "platform/ui/Controls.h"
#include "platform/ui/UiPrivate_p.h"

#include <QApplication>
#include <QCursor>
#include <QWidget>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>

bool ThemePartsAvailable() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

void DrawThemePart(TCanvas* Canvas, TThemePart Part, const TRect& R, const TThemePartState& State) {
    if (!Canvas || R.Right <= R.Left || R.Bottom <= R.Top || !ThemePartsAvailable()) return;
    QStyle* Style = QApplication::style();
    if (!Style) return;
    Canvas->PaintWith([&](QPainter& P) {
        const QRect Q = ToQRect(R);
        QStyle::State St = State.Disabled ? QStyle::State_None : QStyle::State_Enabled;
        if (State.Hot && !State.Disabled) St |= QStyle::State_MouseOver;
        auto Fill = [&](QStyleOption& O) {
            O.rect = Q;
            O.state = St;
            O.palette = QApplication::palette();
            if (State.Disabled) O.palette.setCurrentColorGroup(QPalette::Disabled);
        };
        switch (Part) {
            case tpCheckBox:
            case tpRadioButton: {
                QStyleOptionButton O;
                Fill(O);
                O.state |= State.Checked ? QStyle::State_On : QStyle::State_Off;
                if (State.Pushed) O.state |= QStyle::State_Sunken;
                Style->drawPrimitive(Part == tpCheckBox ? QStyle::PE_IndicatorCheckBox : QStyle::PE_IndicatorRadioButton,
                                     &O, &P);
                break;
            }
            case tpPushButton: {
                QStyleOptionButton O;
                Fill(O);
                O.state |= State.Pushed ? QStyle::State_Sunken : QStyle::State_Raised;
                Style->drawControl(QStyle::CE_PushButtonBevel, &O, &P);
                break;
            }
            case tpHeaderItem: {
                QStyleOptionHeader O;
                Fill(O);
                O.state |= QStyle::State_Raised | QStyle::State_Horizontal;
                if (State.Pushed) O.state |= QStyle::State_Sunken;
                O.position = QStyleOptionHeader::Middle;
                Style->drawControl(QStyle::CE_HeaderSection, &O, &P);
                break;
            }
            case tpComboButton: {
                QStyleOptionButton O;
                Fill(O);
                O.state |= State.Pushed ? QStyle::State_Sunken : QStyle::State_Raised;
                Style->drawPrimitive(QStyle::PE_PanelButtonTool, &O, &P);
                QStyleOption A;
                Fill(A);
                const int S = std::min(Q.width(), Q.height()) / 2;
                A.rect = QRect(Q.center().x() - S / 2, Q.center().y() - S / 2, std::max(S, 4), std::max(S, 4));
                Style->drawPrimitive(QStyle::PE_IndicatorArrowDown, &A, &P);
                break;
            }
            case tpProgressBar: {
                QStyleOptionProgressBar O;
                Fill(O);
                O.state |= QStyle::State_Horizontal;
                O.minimum = 0;
                O.maximum = 100;
                O.progress = std::clamp<int>(State.Percent, 0, 100);
                O.textVisible = false;
                Style->drawControl(QStyle::CE_ProgressBar, &O, &P);
                break;
            }
        }
    });
}

TPoint ClientCursorPos(const TControl* Control) {
    if (!Control || !Control->Widget()) return Point(-1, -1);
    const QPoint P = Control->Widget()->mapFromGlobal(QCursor::pos());
    return Point(P.x(), P.y());
}
