#include "playsurfaces/PianoLayout.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<int, 7> kWhite = {0, 2, 4, 5, 7, 9, 11};
// The black key to the right of each white key of an octave; -1 after E and B.
constexpr std::array<int, 7> kBlack = {1, 3, -1, 6, 8, 10, -1};
// Black keys are five eighths of a white key's width and height.
constexpr int kBlackNumerator = 5;
constexpr int kBlackDenominator = 8;

int octaveOf(int i)
{
    return i / CPianoLayout::kWhitePerOctave;
}

std::size_t stepOf(int i)
{
    return static_cast<std::size_t>(i % CPianoLayout::kWhitePerOctave);
}

} // namespace

void CPianoLayout::setClientSize(QSize client)
{
    m_client = client;
    m_whiteHeight = std::max(0, client.height());
    // A window too low for a key one pixel wide still gets keys of one pixel, so that
    // nothing divides by zero.
    m_whiteWidth = std::max(1, m_whiteHeight / kWhitePerOctave);
    m_blackHeight = m_whiteHeight * kBlackNumerator / kBlackDenominator;
    m_blackWidth = m_whiteWidth * kBlackNumerator / kBlackDenominator;
    m_whiteCount = std::max(0, client.width()) / m_whiteWidth + 1;
    m_blackOffset = m_whiteWidth - m_blackWidth / 2;
}

int CPianoLayout::whiteNote(int i)
{
    return kWhite[stepOf(i)] + kNotesPerOctave * octaveOf(i);
}

int CPianoLayout::blackNote(int i)
{
    const int step = kBlack[stepOf(i)];
    return step < 0 ? -1 : step + kNotesPerOctave * octaveOf(i);
}

bool CPianoLayout::hasBlackRight(int i)
{
    return kBlack[stepOf(i)] >= 0;
}

bool CPianoLayout::hasBlackLeft(int i)
{
    // Every white key but C and F has a black key on its left.
    const std::size_t step = stepOf(i);
    return step != 0 && step != 3;
}

QRect CPianoLayout::whiteKeyRect(int i) const
{
    return QRect(QPoint(i * m_whiteWidth, 0), QPoint((i + 1) * m_whiteWidth, m_whiteHeight));
}

QRect CPianoLayout::blackKeyRect(int i) const
{
    const int left = i * m_whiteWidth + m_blackOffset;
    return QRect(QPoint(left, 0), QPoint(left + m_blackWidth, m_blackHeight));
}

int CPianoLayout::hitTest(QPoint point) const
{
    if (point.x() < 0 || point.y() < 0 || point.x() >= m_client.width() || point.y() >= m_client.height())
        return -1;
    const int i = point.x() / m_whiteWidth;
    const int n = whiteNote(i);
    if (point.y() <= m_blackHeight) {
        const int dx = point.x() - i * m_whiteWidth;
        const int h = m_blackWidth / 2;
        if (dx > h) {
            if (dx >= m_whiteWidth - h && hasBlackRight(i))
                return n + 1;
        } else if (hasBlackLeft(i)) {
            return n - 1;
        }
    }
    return n;
}

int CPianoLayout::playableAt(QPoint point) const
{
    const int note = hitTest(point);
    return isPlayable(note) ? note : -1;
}
