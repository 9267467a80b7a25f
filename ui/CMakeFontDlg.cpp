#include "ui/CMakeFontDlg.h"

#include "import/fontgen/FontGenerator.h"
#include "resfile/StoreCommands.h"
#include "ui/CommandHost.h"
#include "ui/UiTexts.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

namespace zarn::ui {

namespace {
    struct TypeRow {
        const char* label;
        zarn::FontLibraryType type;
        int width, height; // offered when the type is picked
    };
    constexpr TypeRow kTypes[] = {
        { "GB2312", zarn::FontLibraryType::GB2312, 16, 16 },
        { "BIG5", zarn::FontLibraryType::Big5, 16, 16 },
        { "Hangul", zarn::FontLibraryType::Hangul, 16, 16 },
        { "ASCII", zarn::FontLibraryType::Ascii, 8, 16 },
    };
}

CMakeFontDlg::CMakeFontDlg(CommandHost& host, QWidget* parent)
    : QDialog(parent)
    , m_host(host)
{
    setWindowTitle(QString::fromLatin1(kMakeFontTitle));
    auto* root = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    auto* fontRow = new QHBoxLayout;
    m_font = new QLineEdit(this);
    m_font->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 36);
    m_browse = new QPushButton(QStringLiteral("...."), this);
    m_browse->setFixedWidth(m_browse->fontMetrics().horizontalAdvance(m_browse->text()) + 20);
    fontRow->addWidget(m_font, 1);
    fontRow->addWidget(m_browse);
    form->addRow(QStringLiteral("Font file:"), fontRow);
    m_type = new QComboBox(this);
    for (const auto& t : kTypes)
        m_type->addItem(QString::fromLatin1(t.label));
    form->addRow(QStringLiteral("Type:"), m_type);
    auto* sizeRow = new QHBoxLayout;
    m_width = new QSpinBox(this);
    m_height = new QSpinBox(this);
    for (QSpinBox* b : { m_width, m_height })
        b->setRange(zarn::kMinGlyphDots, zarn::kMaxGlyphDots);
    sizeRow->addWidget(m_width);
    sizeRow->addWidget(new QLabel(QStringLiteral("X"), this));
    sizeRow->addWidget(m_height);
    sizeRow->addStretch(1);
    form->addRow(QStringLiteral("Glyph size (dots):"), sizeRow);
    root->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    root->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_browse, &QPushButton::clicked, this, [this] { OnBrowse(); });
    connect(m_font, &QLineEdit::textChanged, this, [this] { updateOk(); });
    connect(m_type, &QComboBox::currentIndexChanged, this, [this] { typeChanged(); });
    typeChanged();
    updateOk();
}

void CMakeFontDlg::typeChanged()
{
    const int i = m_type->currentIndex();
    if (i < 0)
        return;
    m_width->setValue(kTypes[i].width);
    m_height->setValue(kTypes[i].height);
}

// Nothing can be generated without a font.
void CMakeFontDlg::updateOk() { m_ok->setEnabled(!m_font->text().trimmed().isEmpty()); }

void CMakeFontDlg::OnBrowse()
{
    const auto chosen = m_host.chooseOpenFile(kChooseFontTitle,
        { { "Font File(*.ttf;*.otf;*.ttc)", "*.ttf *.otf *.ttc" }, { kAllFilesFilterText, kAllFilesFilterPattern } });
    if (chosen)
        setFontPath(*chosen);
}

void CMakeFontDlg::setFontPath(const std::string& path) { m_font->setText(QString::fromStdString(path)); }

void CMakeFontDlg::setType(zarn::FontLibraryType type)
{
    for (int i = 0; i < static_cast<int>(std::size(kTypes)); ++i)
        if (kTypes[i].type == type)
            m_type->setCurrentIndex(i);
}

void CMakeFontDlg::setGlyphSize(int width, int height)
{
    m_width->setValue(width);
    m_height->setValue(height);
}

std::string CMakeFontDlg::fontPath() const { return m_font->text().trimmed().toStdString(); }

zarn::FontLibraryType CMakeFontDlg::type() const { return kTypes[std::max(0, m_type->currentIndex())].type; }

int CMakeFontDlg::glyphWidth() const { return m_width->value(); }

int CMakeFontDlg::glyphHeight() const { return m_height->value(); }

} // namespace zarn::ui
