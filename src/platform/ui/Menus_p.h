#pragma once
// Menu bars of forms. Private to the user-interface layer.
#include "platform/ui/Menus.h"

class QWidget;

QWidget* AttachMenuBar(TMainMenu* Menu, QWidget* Window);
void DetachMenuBar(TMainMenu* Menu, QWidget* Bar);
