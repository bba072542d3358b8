#pragma once

#include <QMetaType>
#include <array>
#include <cstddef>
#include <optional>

// The kinds of item of a bank. Their numbers (0, 1, 2) are what settings, the copybox
// file and menus store; itemKindOf() turns such a number back into a kind.
enum class ItemKind : int { Patches = 0, Performances = 1, RhythmSets = 2 };
constexpr int kKindCount = 3;
inline constexpr std::array<ItemKind, kKindCount> kItemKinds{ItemKind::Patches, ItemKind::Performances,
                                                             ItemKind::RhythmSets};

constexpr int kindNumber(ItemKind kind)
{
    return static_cast<int>(kind);
}

// The kind a stored number names, or none for a number out of range.
constexpr std::optional<ItemKind> itemKindOf(int number)
{
    if (number < 0 || number >= kKindCount)
        return std::nullopt;
    return static_cast<ItemKind>(number);
}

// What a save or a send takes of a bank: one kind, or every kind (no value).
using BankPart = std::optional<ItemKind>;
inline constexpr BankPart kWholeBank{};

// One value per kind, indexed by the kind.
template <class T>
struct ByKind
{
    std::array<T, kKindCount> values{};

    T& operator[](ItemKind kind) { return values[static_cast<std::size_t>(kind)]; }
    const T& operator[](ItemKind kind) const { return values[static_cast<std::size_t>(kind)]; }
    auto begin() { return values.begin(); }
    auto end() { return values.end(); }
    auto begin() const { return values.begin(); }
    auto end() const { return values.end(); }
    bool operator==(const ByKind&) const = default;
};

Q_DECLARE_METATYPE(ItemKind)
