#include "bank/RandomSource.h"

#include <chrono>

CRandomSource::CRandomSource()
    : m_engine(static_cast<unsigned>(std::chrono::system_clock::now().time_since_epoch().count()))
{}

CRandomSource::CRandomSource(unsigned seed) : m_engine(seed)
{}

int CRandomSource::below(int n)
{
    if (n < 1)
        return 0;
    return std::uniform_int_distribution<int>(0, n - 1)(m_engine);
}
