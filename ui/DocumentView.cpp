#include "ui/DocumentView.h"

CDocumentView* CDocumentView::of(QObject* widget)
{
    return dynamic_cast<CDocumentView*>(widget);
}
