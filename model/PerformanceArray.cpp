#include "model/PerformanceArray.h"

CPerformanceArray::CPerformanceArray() : CRecordArray(recordLayout(ItemKind::Performances))
{
    Q_ASSERT(layout().recordSize() == kRecordSize && layout().count == kCount);
    initialiseAll();
}
