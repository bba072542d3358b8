#include "model/PerformanceArray.h"

CPerformanceArray::CPerformanceArray() : CRecordArray(recordLayout(kPerformances))
{
    Q_ASSERT(layout().recordSize() == kRecordSize && layout().count == kCount);
    initialiseAll();
}
