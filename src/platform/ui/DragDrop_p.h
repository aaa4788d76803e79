#pragma once
// Data objects as Qt mime data. Private to the user-interface layer.
#include "platform/ui/DragDrop.h"

class QMimeData;

QMimeData* DataObjectToMime(const TDataObject& Data);
void MimeToDataObject(const QMimeData* Mime, TDataObject& Data);
