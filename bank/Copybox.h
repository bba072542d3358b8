#pragma once

#include "model/RecordLayout.h"
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <vector>

class CRecordArray;
class CReporter;
class QIODevice;

// The program's own clipboard for items: one list of copied record images per kind
// (patches, performances, rhythm sets). The main frame owns the one copybox; bank and
// library views add to it and paste from it. Patch lists can be kept in ".cop" files:
// the 645-byte images one after another, nothing else.
class CCopybox
{
public:
    static constexpr int kPatchSize = 645;
    // More than a hundred thousand patches: anything larger is not a copybox file,
    // and reading it would only exhaust the memory.
    static constexpr qint64 kMaxFileSize = 64 * 1024 * 1024;

    // The list that the dialog shows and that Add appends to.
    void setKind(ItemKind kind);
    ItemKind kind() const { return m_kind; }

    // Appends a copy of record index of array to the list of the current kind.
    void Add(const CRecordArray& array, int index);
    // Appends a copy of image to the list of kind.
    void Add(const QByteArray& image, ItemKind kind);
    // Copies size bytes of an entry into buffer; false if there is no such entry.
    bool Get(int size, ItemKind kind, int index, std::uint8_t* buffer) const;

    int count(ItemKind kind) const;
    const QByteArray& entry(ItemKind kind, int index) const;
    // One line per entry: the 12 name bytes, blanks kept.
    QStringList lines(ItemKind kind) const;
    // Removes the entries at indices (in any order) from the list of kind.
    void Remove(ItemKind kind, std::vector<int> indices);

    // The entries picked when the dialog last ended with Paste, ascending.
    void setChosen(std::vector<int> indices);
    const std::vector<int>& chosen() const { return m_chosen; }
    // Copies of the chosen entries of kind, in list order (missing ones skipped).
    std::vector<QByteArray> chosenImages(ItemKind kind) const;

    // ".cop" files. Loading replaces the patch list only when the whole file was read;
    // saving replaces the file only when every entry was written. Failures are told to
    // reporter and change nothing.
    bool loadFile(const QString& path, CReporter& reporter);
    bool saveFile(const QString& path, CReporter& reporter) const;
    // The entries a .cop image holds: whole 645-byte blocks, a short rest ignored.
    static std::vector<QByteArray> parse(const QByteArray& bytes);

private:
    std::vector<QByteArray>& list(ItemKind kind);

    ItemKind m_kind = ItemKind::Patches;
    ByKind<std::vector<QByteArray>> m_entries;
    std::vector<int> m_chosen;
};
