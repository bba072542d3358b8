#include "editors/ParamPage.h"

#include "editors/NumberBox.h"
#include "editors/WrapSpinBox.h"
#include "settings/AppSettings.h"
#include "ui/Prompter.h"
#include "ui/Services.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>

#include <algorithm>

using params::Param;

namespace {

constexpr int kNameLength = 12;
constexpr int kMaxVisibleItems = 24;
constexpr int kMinContents = 4;
constexpr int kMaxContents = 13;
constexpr int kPopupMargin = 28; // room for the popup's scroll bar

bool isToneBlock(sysex::Block block)
{
    return block == sysex::Block::PatchTone;
}

void fitPopup(QComboBox* combo)
{
    combo->view()->setMinimumWidth(combo->view()->sizeHintForColumn(0) + kPopupMargin);
}

} // namespace

struct CParamPage::Binding
{
    const Param* p = nullptr;
    int column = 0;
    QWidget* widget = nullptr;
    QComboBox* combo = nullptr;
    QCheckBox* check = nullptr;
    CNumberBox* number = nullptr;
    CWrapSpinBox* wrap = nullptr;
    QLineEdit* name = nullptr;
    QStringList items;       // what the list shows now
    std::vector<int> values; // a group list's value per item
    int context = -1;        // the deciding row's value the items were made for
};

CParamPage::CParamPage(CRecordEdit& edit, CServices& services, params::Page page, int index, QWidget* parent)
    : CTabPage(edit, services, parent), m_page(page), m_index(index)
{}

CParamPage::~CParamPage() = default;

QString CParamPage::labelText(const QString& label)
{
    if (label.isEmpty() || label.endsWith(QLatin1Char(':')) || label.endsWith(QLatin1Char(';')))
        return label;
    return label + QLatin1Char(':');
}

std::vector<const Param*> CParamPage::pageRows() const
{
    std::vector<const Param*> out;
    for (const Param* p : params::pageRows(edit().editor(), m_page)) {
        if (params::existsOn(*p, SynthModel::Jv2080))
            out.push_back(p);
    }
    return out;
}

const Param* CParamPage::rowEndingWith(const QString& suffix) const
{
    for (const Param* p : pageRows()) {
        if (p->id.endsWith(suffix))
            return p;
    }
    return nullptr;
}

std::vector<int> CParamPage::columnsOf(const Param& p) const
{
    if (isToneBlock(p.block))
        return {0, 1, 2, 3};
    if (p.block == sysex::Block::PerformancePart || p.block == sysex::Block::RhythmNote)
        return {m_index};
    return {0};
}

QWidget* CParamPage::bind(const Param& p, int column)
{
    auto b = std::make_unique<Binding>();
    b->p = &p;
    b->column = column;
    Binding* raw = b.get();
    switch (p.control) {
    case params::Control::Scroll: {
        // Stepped with arrows that wrap around the range.
        auto* wrap = new CWrapSpinBox(this);
        const auto [lo, hi] = edit().range(p, column);
        wrap->setRange(lo, hi);
        wrap->setTexts(itemsOf(*b, &b->values));
        b->wrap = wrap;
        b->widget = wrap;
        connect(wrap, &QSpinBox::valueChanged, this, [this, raw](int value) { onChanged(*raw, value); });
        break;
    }
    case params::Control::List: {
        auto* combo = new QComboBox(this);
        combo->setMaxVisibleItems(kMaxVisibleItems);
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        b->combo = combo;
        b->widget = combo;
        b->items = itemsOf(*b, &b->values);
        b->context = params::listContext(p, edit().data(p.block, column));
        int longest = 0;
        for (const QString& item : std::as_const(b->items))
            longest = std::max(longest, static_cast<int>(item.size()));
        combo->setMinimumContentsLength(std::clamp(longest, kMinContents, kMaxContents));
        combo->addItems(b->items);
        fitPopup(combo);
        connect(combo, &QComboBox::currentIndexChanged, this, [this, raw](int index) {
            if (index < 0)
                return;
            const bool group = raw->p->encoding == params::Encoding::Group;
            if (group && static_cast<std::size_t>(index) >= raw->values.size())
                return;
            onChanged(*raw, group ? raw->values[static_cast<std::size_t>(index)] : raw->p->min + index);
        });
        break;
    }
    case params::Control::Check: {
        auto* check = new QCheckBox(this);
        check->setAccessibleName(p.label);
        b->check = check;
        b->widget = check;
        connect(check, &QCheckBox::toggled, this, [this, raw](bool on) { onChanged(*raw, on ? 1 : 0); });
        break;
    }
    case params::Control::Number: {
        auto* number = new CNumberBox(this);
        const auto [lo, hi] = edit().range(p, column);
        number->setRange(lo + p.shownOffset, hi + p.shownOffset);
        b->number = number;
        b->widget = number;
        // The digits of one number typed into the box are one undo step.
        connect(number, &QSpinBox::valueChanged, this, [this, raw, number](int shown) {
            const CRecordEdit::Run run(edit(), number);
            onChanged(*raw, shown - raw->p->shownOffset);
        });
        connect(number, &CNumberBox::typingEnded, this, [this, number] { edit().endRun(number); });
        connect(number, &CNumberBox::refused, this, &CParamPage::refuse);
        break;
    }
    case params::Control::Name: {
        auto* name = new QLineEdit(this);
        name->setMaxLength(kNameLength);
        name->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[ -~]{0,12}")), name));
        b->name = name;
        b->widget = name;
        connect(name, &QLineEdit::textEdited, this, [this](const QString& text) {
            if (isLoading())
                return;
            edit().changeName(text);
        });
        break;
    }
    }
    b->widget->setObjectName(QStringLiteral("%1/%2").arg(p.id).arg(column));
    b->widget->setAccessibleName(params::plainLabel(p.label));
    QWidget* widget = b->widget;
    m_bindings.push_back(std::move(b));
    return widget;
}

QLabel* CParamPage::bindLabel(const Param& p)
{
    auto* label = new QLabel(labelText(p.label), this);
    label->setObjectName(QStringLiteral("label/%1").arg(p.id));
    m_labels.emplace_back(&p, label);
    return label;
}

QLabel* CParamPage::addHeader(QGridLayout* grid, int row, int column, const QString& text)
{
    auto* header = new QLabel(text, this);
    header->setAlignment(Qt::AlignCenter);
    QFont bold = header->font();
    bold.setBold(true);
    header->setFont(bold);
    grid->addWidget(header, row, column);
    return header;
}

void CParamPage::addToneHeaders(QGridLayout* grid, int row)
{
    for (int t = 0; t < CRecordEdit::kTones; ++t)
        addHeader(grid, row, t + 1, QStringLiteral("TONE %1").arg(t + 1));
}

int CParamPage::addToneRows(QGridLayout* grid, int firstRow, const std::vector<const Param*>& rows, bool headers)
{
    if (headers)
        addToneHeaders(grid, firstRow);
    int row = headers ? firstRow + 1 : firstRow;
    for (const Param* p : rows) {
        grid->addWidget(bindLabel(*p), row, 0);
        for (int t = 0; t < CRecordEdit::kTones; ++t) {
            QWidget* w = bind(*p, t);
            grid->addWidget(w, row, t + 1, p->control == params::Control::Check ? Qt::AlignHCenter : Qt::Alignment());
        }
        ++row;
    }
    for (int t = 0; t < CRecordEdit::kTones; ++t)
        grid->setColumnStretch(t + 1, 1);
    return row;
}

void CParamPage::addPair(QGridLayout* grid, int row, int column, const Param& p)
{
    grid->addWidget(bindLabel(p), row, 2 * column);
    grid->addWidget(bind(p, columnsOf(p).front()), row, 2 * column + 1);
}

QWidget* CParamPage::control(const QString& id, int column) const
{
    for (const auto& b : m_bindings) {
        if (b->p->id == id && b->column == column)
            return b->widget;
    }
    return nullptr;
}

QLabel* CParamPage::label(const QString& id) const
{
    for (const auto& [p, label] : m_labels) {
        if (p->id == id)
            return label;
    }
    return nullptr;
}

QStringList CParamPage::itemsOf(const Binding& b, std::vector<int>* values) const
{
    const Param& p = *b.p;
    values->clear();
    const CExpansionNames* names = edit().names();
    if (p.encoding == params::Encoding::Group) {
        if (!names)
            return {};
        const std::vector<params::GroupItem> groups = p.list.kind == valuelists::Kind::WaveGroup
                                                          ? params::waveGroups(*names)
                                                          : params::patchGroups(*names, b.column);
        QStringList out;
        for (const params::GroupItem& g : groups) {
            out << g.text;
            values->push_back(g.value());
        }
        return out;
    }
    QStringList items = edit().listItems(p, b.column);
    const auto [lo, hi] = edit().range(p, b.column);
    const int reachable = hi - p.min + 1;
    if (items.isEmpty() && p.encoding == params::Encoding::Nibbles) {
        // A group without names: its numbers, as the instrument shows them.
        for (int v = lo; v <= hi; ++v)
            items << QString::number(v + 1);
    }
    if (items.size() > reachable)
        items = items.mid(0, std::max(reachable, 0));
    return items;
}

int CParamPage::displayedIndex(const Binding& b, int value) const
{
    if (b.p->encoding == params::Encoding::Group) {
        const auto it = std::find(b.values.begin(), b.values.end(), value);
        return it == b.values.end() ? -1 : static_cast<int>(it - b.values.begin());
    }
    const int index = value - b.p->min;
    return index >= 0 && index < b.items.size() ? index : -1;
}

void CParamPage::show(Binding& b)
{
    const Param& p = *b.p;
    const int value = edit().value(p, b.column);
    const QSignalBlocker blocker(b.widget);
    if (b.combo) {
        // Only lists that another row decides can change their items, and only when that
        // row has changed (a group's list comes from the name store and stays as made).
        const int key = params::listContext(p, edit().data(p.block, b.column));
        if (key >= 0 && key != b.context) {
            b.context = key;
            std::vector<int> values;
            const QStringList items = itemsOf(b, &values);
            if (items != b.items) {
                b.items = items;
                b.combo->clear();
                b.combo->addItems(items);
                fitPopup(b.combo);
            }
            b.values = std::move(values);
        }
        // A value without an item (a wave beyond its group's list, a multi-effect byte
        // beyond its row) leaves the list without a selection rather than show another.
        b.combo->setCurrentIndex(displayedIndex(b, value));
    } else if (b.check) {
        b.check->setChecked(value != 0);
    } else if (b.number) {
        b.number->setValue(value + p.shownOffset);
    } else if (b.wrap) {
        b.wrap->setValue(value);
    } else if (b.name) {
        const QString text = params::nameText(p, edit().data(p.block, b.column));
        if (b.name->text() != text)
            b.name->setText(text);
    }
    const SynthModel model = services().settings().synth().model;
    const bool visible = params::shownOn(p, model) && params::usedBy(p, edit().data(p.block, b.column));
    b.widget->setVisible(visible);
}

void CParamPage::loadFromRecord()
{
    loadExcept(nullptr);
}

void CParamPage::loadExcept(const Binding* source)
{
    ++m_loading;
    for (const auto& b : m_bindings) {
        if (b.get() != source)
            show(*b);
    }
    const SynthModel model = services().settings().synth().model;
    for (const auto& [p, label] : m_labels) {
        const std::uint8_t* data = edit().data(p->block, columnsOf(*p).front());
        label->setText(labelText(params::label(*p, data)));
        label->setVisible(params::shownOn(*p, model) && params::usedBy(*p, data));
    }
    loadExtras();
    --m_loading;
}

void CParamPage::onChanged(Binding& b, int value)
{
    if (isLoading())
        return;
    if (!edit().change(*b.p, b.column, value)) {
        // Refused: the control goes back to what the copy holds.
        loadExcept(nullptr);
        return;
    }
    // A value the copy lowered (the voice reserve rule) shows as it was kept.
    const int kept = edit().value(*b.p, b.column);
    loadExcept(kept == value ? &b : nullptr);
    if (kept != value)
        valueLowered(*b.p, value, kept);
}

void CParamPage::setToneSelection(const CRecordEdit::Selection& selection)
{
    CTabPage::setToneSelection(selection);
    for (const auto& b : m_bindings) {
        if (isToneBlock(b->p->block))
            b->widget->setEnabled(columnEnabled(b->column));
    }
    for (int t = 0; t < CRecordEdit::kTones; ++t)
        enableColumn(t, columnEnabled(t));
}

void CParamPage::enableColumn(int, bool)
{}

void CParamPage::refuse(const QString& text)
{
    services().prompter().showMessage(MessageIcon::Exclamation, text);
}
