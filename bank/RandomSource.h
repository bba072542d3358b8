#pragma once

#include <random>

// Where random patches get their numbers. The program seeds it from the clock;
// tests derive from it to script the draws.
class CRandomSource
{
public:
    CRandomSource();
    explicit CRandomSource(unsigned seed);
    virtual ~CRandomSource() = default;

    // A number 0 <= r < n; 0 when n < 1.
    virtual int below(int n);

private:
    std::mt19937 m_engine;
};
