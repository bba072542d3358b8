#include "editors/MutateDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr int kDefaultAmount = 10;
constexpr int kSectionColumns = 2;

} // namespace

CMutateDlg::CMutateDlg(Use use, int blocks, QWidget* parent) : QDialog(parent), m_use(use)
{
    setWindowTitle(QStringLiteral("Mutate"));
    auto* form = new QFormLayout;
    m_amount = new QSpinBox(this);
    m_amount->setRange(1, 100);
    m_amount->setSuffix(QStringLiteral(" %"));
    m_amount->setValue(kDefaultAmount);
    form->addRow(QStringLiteral("&Amount:"), m_amount);
    m_seed = new QLineEdit(this);
    // Any 32-bit number.
    m_seed->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{1,10}")), m_seed));
    form->addRow(QStringLiteral("S&eed:"), m_seed);
    m_lastSeed = new QLabel(this);
    form->addRow(QString(), m_lastSeed);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    if (blocks > 0) {
        auto* tones = new QGroupBox(QStringLiteral("Tones"), this);
        auto* row = new QHBoxLayout(tones);
        for (int t = 0; t < blocks && t < static_cast<int>(m_tones.size()); ++t) {
            auto* box = new QCheckBox(QStringLiteral("Tone &%1").arg(t + 1), tones);
            box->setChecked(true);
            m_tones[static_cast<std::size_t>(t)] = box;
            row->addWidget(box);
        }
        layout->addWidget(tones);
    }
    auto* sections = new QGroupBox(QStringLiteral("Sections"), this);
    auto* grid = new QGridLayout(sections);
    // Mnemonics of the section boxes: none of the dialog's other letters.
    static const char* const kTexts[variation::kSectionCount] = {
        "&Pitch", "&Filter", "Amp&litude", "E&nvelopes", "LF&Os / controls", "Effe&cts", "&Waves"};
    for (int s = 0; s < variation::kSectionCount; ++s) {
        const auto section = static_cast<variation::Section>(s);
        auto* box = new QCheckBox(QString::fromLatin1(kTexts[s]), sections);
        box->setChecked((variation::kSoundSections & variation::sectionBit(section)) != 0);
        m_sections[static_cast<std::size_t>(s)] = box;
        grid->addWidget(box, s / kSectionColumns, s % kSectionColumns);
    }
    layout->addWidget(sections);
    m_choices = new QCheckBox(QStringLiteral("Also c&hange choices (waves, types, switches, ranges)"), this);
    layout->addWidget(m_choices);

    auto* buttons = new QDialogButtonBox(this);
    m_mutate = buttons->addButton(QStringLiteral("&Mutate"), QDialogButtonBox::AcceptRole);
    m_mutate->setDefault(true);
    if (m_use == Use::Editor) {
        buttons->addButton(QStringLiteral("Clo&se"), QDialogButtonBox::RejectRole);
        connect(m_mutate, &QPushButton::clicked, this, [this] {
            emit mutateRequested();
            advanceSeed();
        });
    } else {
        buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
        connect(m_mutate, &QPushButton::clicked, this, &QDialog::accept);
    }
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    setSeed(QRandomGenerator::global()->generate());
}

variation::MutateOptions CMutateDlg::options() const
{
    variation::MutateOptions o;
    o.amount = m_amount->value();
    o.seed = seed();
    o.choices = m_choices->isChecked();
    o.sections = 0;
    for (int s = 0; s < variation::kSectionCount; ++s)
        if (m_sections[static_cast<std::size_t>(s)]->isChecked())
            o.sections |= variation::sectionBit(static_cast<variation::Section>(s));
    for (QCheckBox* box : m_tones)
        if (box)
            o.blocks.push_back(box->isChecked());
    return o;
}

void CMutateDlg::offerSections(variation::Sections sections)
{
    for (int s = 0; s < variation::kSectionCount; ++s) {
        QCheckBox* box = m_sections[static_cast<std::size_t>(s)];
        const bool offered = (sections & variation::sectionBit(static_cast<variation::Section>(s))) != 0;
        box->setVisible(offered);
        if (!offered)
            box->setChecked(false);
    }
}

void CMutateDlg::setSeed(std::uint32_t seed)
{
    m_seed->setText(QString::number(seed));
}

std::uint32_t CMutateDlg::seed() const
{
    const qulonglong n = m_seed->text().toULongLong();
    return static_cast<std::uint32_t>(std::min<qulonglong>(n, 0xFFFFFFFFULL));
}

void CMutateDlg::advanceSeed()
{
    m_lastSeed->setText(QStringLiteral("Last variation: seed %1").arg(seed()));
    setSeed(QRandomGenerator::global()->generate());
}
