#include "ui/ItemDrag.h"

#include <QApplication>
#include <QDataStream>
#include <QDrag>
#include <QIODevice>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QWidget>
#include <atomic>

namespace {

constexpr quint32 kFormatVersion = 2;
constexpr QPoint kDragHotSpot(6, 10);
constexpr QPoint kNoDropHotSpot(0, 0);

// Drag cursors are shown with their hot spot in the middle of the picture: the picture
// is placed on a larger transparent one so that its middle is the hot spot.
QPixmap centredOnHotSpot(const QString& resource, QPoint hotSpot)
{
    const QPixmap picture(resource);
    if (picture.isNull())
        return picture;
    const int halfWidth = std::max(hotSpot.x(), picture.width() - hotSpot.x());
    const int halfHeight = std::max(hotSpot.y(), picture.height() - hotSpot.y());
    QPixmap padded(2 * halfWidth, 2 * halfHeight);
    padded.fill(Qt::transparent);
    QPainter painter(&padded);
    painter.drawPixmap(halfWidth - hotSpot.x(), halfHeight - hotSpot.y(), picture);
    return padded;
}

// Qt's drag and drop loop.
class CQtDragRunner : public CItemDragRunner
{
public:
    Qt::DropAction run(QWidget* source, std::unique_ptr<QMimeData> data, Qt::DropActions actions) override
    {
        auto* drag = new QDrag(source);
        drag->setMimeData(data.release());
        // No picture follows the pointer: the cursors and the target's drop marks show the drag.
        QPixmap nothing(1, 1);
        nothing.fill(Qt::transparent);
        drag->setPixmap(nothing);
        const QPixmap dragCursor = centredOnHotSpot(QStringLiteral(":/cursors/drag.png"), kDragHotSpot);
        drag->setDragCursor(dragCursor, Qt::MoveAction);
        drag->setDragCursor(dragCursor, Qt::CopyAction);
        drag->setDragCursor(centredOnHotSpot(QStringLiteral(":/cursors/nodrop.png"), kNoDropHotSpot), Qt::IgnoreAction);
        return drag->exec(actions, actions & Qt::MoveAction ? Qt::MoveAction : Qt::CopyAction);
    }
    void cancel() override { QDrag::cancel(); }
};

CItemDragRunner* g_installedRunner = nullptr;

CItemDragRunner& currentRunner()
{
    static CQtDragRunner qtRunner;
    return g_installedRunner ? *g_installedRunner : qtRunner;
}

// Watches the mouse while a drag runs: a press of the right button cancels the drag,
// and that press and its release reach no window (no context menu opens).
class CRightButtonCancel : public QObject
{
public:
    CRightButtonCancel() : QObject(qApp) { qApp->installEventFilter(this); }
    ~CRightButtonCancel() override { qApp->removeEventFilter(this); }

    void setDragRunning(bool running) { m_running = running; }
    bool waitsForRelease() const { return m_cancelled; }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonRelease
            && event->type() != QEvent::MouseButtonDblClick)
            return false;
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::RightButton)
            return false;
        if (event->type() == QEvent::MouseButtonRelease) {
            if (!m_cancelled)
                return false;
            m_cancelled = false;
            if (!m_running)
                deleteLater();
            return true;
        }
        if (m_running) {
            m_cancelled = true;
            currentRunner().cancel();
        }
        return m_cancelled;
    }

private:
    bool m_running = true;
    bool m_cancelled = false;
};

} // namespace

bool CItemDragData::isFrom(quint64 id) const
{
    return processId == QCoreApplication::applicationPid() && windowId == id;
}

quint64 CItemDragData::newWindowId()
{
    static std::atomic<quint64> next{1};
    return next++;
}

std::unique_ptr<QMimeData> CItemDragData::toMimeData() const
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << kFormatVersion << static_cast<qint32>(source) << processId << windowId
        << static_cast<qint32>(kindNumber(kind)) << static_cast<qint32>(images.size());
    for (std::size_t i = 0; i < images.size(); ++i)
        out << static_cast<qint32>(i < indexes.size() ? indexes[i] : -1) << images[i]
            << (i < records.size() ? records[i] : QByteArray());
    auto mime = std::make_unique<QMimeData>();
    mime->setData(QString::fromLatin1(kMimeType), bytes);
    return mime;
}

std::optional<CItemDragData> CItemDragData::fromMimeData(const QMimeData* mime)
{
    if (!mime || !mime->hasFormat(QString::fromLatin1(kMimeType)))
        return std::nullopt;
    const QByteArray bytes = mime->data(QString::fromLatin1(kMimeType));
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 version = 0;
    qint32 source = 0;
    qint32 kind = 0;
    qint32 count = 0;
    CItemDragData data;
    in >> version >> source >> data.processId >> data.windowId >> kind >> count;
    const std::optional<ItemKind> itemKind = itemKindOf(kind);
    if (in.status() != QDataStream::Ok || version != kFormatVersion || source < 0 || source > 1 || !itemKind
        || count < 0 || count > kMaxItems)
        return std::nullopt;
    data.source = static_cast<Source>(source);
    data.kind = *itemKind;
    for (qint32 i = 0; i < count; ++i) {
        qint32 index = -1;
        QByteArray image;
        QByteArray record;
        in >> index >> image >> record;
        if (in.status() != QDataStream::Ok)
            return std::nullopt;
        data.indexes.push_back(index);
        data.images.push_back(image);
        if (!record.isEmpty())
            data.records.push_back(record);
    }
    // Lines travel with every image or not at all.
    if (!data.records.empty() && data.records.size() != data.images.size())
        return std::nullopt;
    return data;
}

void CItemDragRunner::install(CItemDragRunner* runner)
{
    g_installedRunner = runner;
}

Qt::DropAction execItemDrag(QWidget* source, const CItemDragData& data, Qt::DropActions actions)
{
    CItemDragData stamped = data;
    stamped.processId = QCoreApplication::applicationPid();
    auto* watcher = new CRightButtonCancel;
    const Qt::DropAction action = currentRunner().run(source, stamped.toMimeData(), actions);
    watcher->setDragRunning(false);
    // A cancelling press is followed by its release, which the watcher still takes
    // before it goes.
    if (!watcher->waitsForRelease())
        delete watcher;
    return action;
}
