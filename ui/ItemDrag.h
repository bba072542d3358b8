#pragma once

#include "model/ItemKind.h"

#include <QByteArray>
#include <QMimeData>
#include <QtGlobal>
#include <memory>
#include <optional>
#include <vector>

class QMimeData;
class QWidget;

// What a drag of bank or library items carries from one window to another: the kind of
// window it started in and which one, the kind of the items, their indexes there and
// their record images. Any window kind can so be a source or a target without knowing
// the others' file formats; a window recognises its own drag by its id.
struct CItemDragData
{
    static constexpr const char* kMimeType = "application/x-toneloom-items";
    // An upper bound that keeps a foreign drag from making us allocate without end.
    static constexpr int kMaxItems = 4096;

    enum class Source : int { Bank = 0, Library = 1 };

    Source source = Source::Bank;
    qint64 processId = 0; // the program that started the drag
    quint64 windowId = 0; // the window that started it (CItemDragData::newWindowId)
    ItemKind kind = ItemKind::Patches;
    std::vector<int> indexes;
    // The items as the synthesizer holds them (a patch's common and tone messages), so
    // a bank takes a drag from anywhere without knowing where it came from.
    std::vector<QByteArray> images;
    // A library drag also carries its whole lines (name, keys, comment, date and patch),
    // one per image, for another library to keep them; empty for a bank drag.
    std::vector<QByteArray> records;

    int count() const { return static_cast<int>(images.size()); }
    // True when the drag started in the window with this id of this program.
    bool isFrom(quint64 id) const;

    std::unique_ptr<QMimeData> toMimeData() const;
    // Nothing when the data carries no items of ours or is malformed.
    static std::optional<CItemDragData> fromMimeData(const QMimeData* mime);

    // A number that tells a window apart from every other of this program's run.
    static quint64 newWindowId();
};

// What carries a drag from its start to its drop: Qt's drag and drop loop with the
// program's cursors. Tests put their own in its place, since Qt's offscreen platform
// runs no drag loop.
class CItemDragRunner
{
public:
    virtual ~CItemDragRunner() = default;
    // Runs the drag until the items are dropped or it is cancelled; the drop action, or
    // Qt::IgnoreAction.
    virtual Qt::DropAction run(QWidget* source, std::unique_ptr<QMimeData> data, Qt::DropActions actions) = 0;
    // Ends the running drag without a drop.
    virtual void cancel() = 0;

    // runner takes the place of Qt's loop (not owned); nullptr brings Qt's loop back.
    static void install(CItemDragRunner* runner);
};

// Runs the drag of data from source until the items are dropped or the drag is
// cancelled, with the program's drag and no-drop cursors; Escape or a press of the
// right mouse button cancels it. Returns the action of the drop (Qt::IgnoreAction when
// cancelled or dropped where nothing takes the items).
Qt::DropAction execItemDrag(QWidget* source, const CItemDragData& data, Qt::DropActions actions);
