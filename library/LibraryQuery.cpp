#include "library/LibraryQuery.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace {

// Compares two texts of at most n bytes that end at their first zero, byte by byte.
int compareText(const char* a, const char* b, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
        if (x == 0)
            return 0;
    }
    return 0;
}

} // namespace

QStringList CLibrarySearch::opTexts()
{
    return {QStringLiteral("END"), QStringLiteral("AND"), QStringLiteral("OR"), QStringLiteral("AND NOT"),
            QStringLiteral("OR NOT")};
}

bool CLibrarySearch::isAll() const
{
    return name.isEmpty() && ops[0] == SearchOp::End && !waves && needs < 0 && !playableWith && category < 0;
}

QString CLibrarySearch::text(const std::function<QString(int)>& keyText) const
{
    QString line =
        name.isEmpty() ? QStringLiteral("any name") : QStringLiteral("\"%1\"").arg(QString::fromLatin1(name));
    const QStringList opNames = opTexts();
    for (int i = 0; i < kTerms; ++i) {
        const auto op = static_cast<int>(ops[static_cast<std::size_t>(i)]);
        if (op == static_cast<int>(SearchOp::End) || op >= opNames.size())
            break;
        line += QLatin1Char(' ') + opNames[op] + QLatin1Char(' ') + keyText(keys[static_cast<std::size_t>(i)]);
    }
    // What the patch uses narrows the search further.
    if (waves)
        line += QStringLiteral(", uses the chosen waves");
    if (needs == 0)
        line += QStringLiteral(", needs no board");
    else if (needs > 0)
        line += QStringLiteral(", needs board %1").arg(needs);
    if (category >= 0)
        line += QStringLiteral(", category %1").arg(category);
    if (playableWith)
        line += QStringLiteral(", playable only");
    return line;
}

bool CLibrarySearch::nameMatches(const CLibraryEntry& entry) const
{
    if (name.isEmpty())
        return true;
    if (name.size() > clb::kNameLength)
        return false;
    const char* first = entry.name.data();
    const char* last = first + entry.name.size();
    return std::search(first, last, name.cbegin(), name.cend()) != last;
}

bool CLibrarySearch::evaluate(bool nameMatch, const std::array<bool, kTerms>& keyMatches,
                              const std::array<SearchOp, kTerms>& ops)
{
    // A sum of products: each OR closes the product so far.
    bool result = false;
    bool product = nameMatch;
    for (int i = 0; i < kTerms; ++i) {
        const SearchOp op = ops[static_cast<std::size_t>(i)];
        if (op == SearchOp::End || static_cast<int>(op) > static_cast<int>(SearchOp::OrNot))
            break;
        bool term = keyMatches[static_cast<std::size_t>(i)];
        if (op == SearchOp::AndNot || op == SearchOp::OrNot)
            term = !term;
        if (op == SearchOp::And || op == SearchOp::AndNot) {
            product = product && term;
        } else {
            result = result || product;
            product = term;
        }
    }
    return result || product;
}

bool CLibrarySearch::matches(const CLibraryEntry& entry) const
{
    std::array<bool, kTerms> keyMatches{};
    for (int i = 0; i < kTerms; ++i) {
        const std::uint8_t key = keys[static_cast<std::size_t>(i)];
        keyMatches[static_cast<std::size_t>(i)] =
            std::find(entry.keys.cbegin(), entry.keys.cend(), key) != entry.keys.cend();
    }
    return evaluate(nameMatches(entry), keyMatches, ops) && usesMatch(entry);
}

bool CLibrarySearch::usesMatch(const CLibraryEntry& entry) const
{
    if (category >= 0 && entry.category != category)
        return false;
    if (waves && !waves->matches(entry.waves))
        return false;
    if (needs >= 0) {
        const std::vector<int> boards = patchuses::boardsNeeded(entry.waves);
        if (needs == 0 ? !boards.empty() : std::find(boards.begin(), boards.end(), needs) == boards.end())
            return false;
    }
    return !playableWith || patchuses::playable(entry.waves, *playableWith);
}

CLibraryOrder::CLibraryOrder(const CLibraryDocument& document, int column)
    : m_document(document), m_categories(document.useCategories())
{
    if (column == libcol::kDate) {
        m_by = By::Date;
    } else if (column == libcol::kComment) {
        m_by = By::Comment;
    } else if (column >= libcol::kFirstKey && column <= libcol::kCategory) {
        m_by = By::Rank;
        m_slot = column == libcol::kCategory ? 0 : column - libcol::kFirstKey;
        m_categories = m_categories || column == libcol::kCategory;
        // Each of the 256 possible bytes gets the place of its text among all 256.
        std::array<QString, 256> texts;
        for (int k = 0; k < 256; ++k)
            texts[static_cast<std::size_t>(k)] = m_categories ? clb::categoryName(k) : document.keyNameText(k);
        std::array<int, 256> byText{};
        std::iota(byText.begin(), byText.end(), 0);
        std::stable_sort(byText.begin(), byText.end(), [&](int a, int b) {
            return texts[static_cast<std::size_t>(a)] < texts[static_cast<std::size_t>(b)];
        });
        int rank = 0;
        for (std::size_t i = 0; i < byText.size(); ++i) {
            if (i > 0 && texts[static_cast<std::size_t>(byText[i])] != texts[static_cast<std::size_t>(byText[i - 1])])
                ++rank;
            m_rank[static_cast<std::size_t>(byText[i])] = rank;
        }
    }
}

int CLibraryOrder::compare(int a, int b) const
{
    const CLibraryEntry& x = m_document.entry(a);
    const CLibraryEntry& y = m_document.entry(b);
    switch (m_by) {
    case By::Date: {
        const auto p = clb::dateSortKey(x.date.data());
        const auto q = clb::dateSortKey(y.date.data());
        return p < q ? -1 : (q < p ? 1 : 0);
    }
    case By::Comment:
        return compareText(x.comment.data(), y.comment.data(), x.comment.size());
    case By::Rank:
        return m_rank[rankedByte(x)] - m_rank[rankedByte(y)];
    case By::Name:
        break;
    }
    // Names are 12 bytes with no end of their own.
    const int c = std::memcmp(x.name.data(), y.name.data(), x.name.size());
    return c;
}

bool CLibraryOrder::less(int a, int b) const
{
    const int c = compare(a, b);
    return c != 0 ? c < 0 : a < b;
}

std::uint8_t CLibraryOrder::rankedByte(const CLibraryEntry& e) const
{
    return m_categories ? e.category : e.keys[static_cast<std::size_t>(m_slot)];
}

CLibraryOrder::Item CLibraryOrder::itemOf(int entry) const
{
    const CLibraryEntry& e = m_document.entry(entry);
    Item item{{0, 0, 0}, entry};
    // Bytes as a big-endian number compare like the bytes themselves.
    const auto bigEndian = [](const char* bytes, std::size_t count) {
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < 8; ++i)
            value = (value << 8) | (i < count ? static_cast<unsigned char>(bytes[i]) : 0u);
        return value;
    };
    const auto biased = [](int v) { return static_cast<std::uint64_t>(static_cast<std::uint32_t>(v) ^ 0x80000000u); };
    switch (m_by) {
    case By::Name:
        item.key = {bigEndian(e.name.data(), 8), bigEndian(e.name.data() + 8, clb::kNameLength - 8), 0};
        break;
    case By::Date: {
        const auto d = clb::dateSortKey(e.date.data());
        item.key = {biased(d[0]) << 32 | biased(d[1]), biased(d[2]) << 32 | biased(d[3]), biased(d[4])};
        break;
    }
    case By::Comment: {
        // The first 24 bytes of the text; longer texts that agree so far are compared
        // whole afterwards.
        const std::size_t length = strnlen(e.comment.data(), e.comment.size());
        for (std::size_t part = 0; part < item.key.size(); ++part) {
            const std::size_t from = part * 8;
            item.key[part] = bigEndian(e.comment.data() + from, from < length ? length - from : 0);
        }
        break;
    }
    case By::Rank:
        item.key = {static_cast<std::uint64_t>(m_rank[rankedByte(e)]), 0, 0};
        break;
    }
    return item;
}

void CLibraryOrder::sort(std::vector<int>& entries) const
{
    std::vector<Item> items;
    items.reserve(entries.size());
    for (int entry : entries)
        items.push_back(itemOf(entry));
    std::sort(items.begin(), items.end(),
              [](const Item& a, const Item& b) { return a.key != b.key ? a.key < b.key : a.entry < b.entry; });
    if (m_by == By::Comment) {
        constexpr std::size_t kPrefix = 24;
        for (std::size_t begin = 0; begin < items.size();) {
            std::size_t end = begin + 1;
            while (end < items.size() && items[end].key == items[begin].key)
                ++end;
            if (end - begin > 1
                && strnlen(m_document.entry(items[begin].entry).comment.data(), clb::kCommentField) >= kPrefix)
                std::sort(items.begin() + static_cast<std::ptrdiff_t>(begin),
                          items.begin() + static_cast<std::ptrdiff_t>(end),
                          [this](const Item& a, const Item& b) { return less(a.entry, b.entry); });
            begin = end;
        }
    }
    for (std::size_t i = 0; i < items.size(); ++i)
        entries[i] = items[i].entry;
}

std::vector<int> listEntries(const CLibraryDocument& document, const CLibrarySearch& search, int column)
{
    std::vector<int> rows;
    rows.reserve(document.entries().size());
    const auto& entries = document.entries();
    for (std::size_t n = 0; n < entries.size(); ++n)
        if (search.matches(entries[n]))
            rows.push_back(static_cast<int>(n));
    CLibraryOrder(document, column).sort(rows);
    return rows;
}
