#include "display/ui/ColouredTextDialog.h"

#include "base/AppServices.h"
#include "base/MessageSink.h"
#include "display/HighlightResources.h"
#include "display/ui/AddHighlightDlg.h"
#include "display/ui/HighlightList.h"
#include "res/StringTable.h"
#include "res/WidgetText.h"
#include "session/ui/InputViewGuard.h"
#include "settings/HostEncoding.h"
#include "settings/SettingsStore.h"
#include "ui_ColouredTextDialog.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>
#include <cstdlib>

namespace {

const char* const kInfoText =
    "If you want certain lines of text to appear in a different colour, then this is the "
    "dialog for you! Simply double- click in a blank area to add text, and right-click on a "
    "line of text to alter/delete and set the colour.";
constexpr std::int32_t kNoBackground = -1;
constexpr std::uint32_t kWhite = 0xFFFFFF;

// 0x00BBGGRR.
QColor ToColour(std::uint32_t value)
{
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

std::uint32_t FromColour(const QColor& colour)
{
    return static_cast<std::uint32_t>(colour.red()) |
           (static_cast<std::uint32_t>(colour.green()) << 8) |
           (static_cast<std::uint32_t>(colour.blue()) << 16);
}

} // namespace

CColouredTextDialog::CColouredTextDialog(CColouredTextDlg& highlights, CAppServices& services,
                                         QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::ColouredTextDialog>()), m_highlights(highlights),
      m_services(services), m_entries(highlights.Entries())
{
    m_ui->setupUi(this);
    m_ui->infoLabel->setText(QString::fromLatin1(kInfoText));

    CHighlightList* list = m_ui->highlightList;
    list->setToolTip(ToolTipText(HighlightResources::kListArea));
    list->verticalScrollBar()->setToolTip(ToolTipText(HighlightResources::kVerticalScrollBar));
    list->horizontalScrollBar()->setToolTip(ToolTipText(HighlightResources::kHorizontalScrollBar));
    ApplyDisplaySettings();
    ShowEntries();

    connect(list, &CHighlightList::RowDoubleClicked, this,
            &CColouredTextDialog::OnRowDoubleClicked);
    connect(list, &CHighlightList::RowMenuRequested, this, &CColouredTextDialog::OnRowMenu);
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &CColouredTextDialog::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &CColouredTextDialog::reject);
}

CColouredTextDialog::~CColouredTextDialog() = default;

CHighlightList* CColouredTextDialog::List() const
{
    return m_ui->highlightList;
}

QLabel* CColouredTextDialog::InfoLabel() const
{
    return m_ui->infoLabel;
}

QPushButton* CColouredTextDialog::OkButton() const
{
    return m_ui->buttonBox->button(QDialogButtonBox::Ok);
}

QPushButton* CColouredTextDialog::CancelButton() const
{
    return m_ui->buttonBox->button(QDialogButtonBox::Cancel);
}

int CColouredTextDialog::ReadHostInt(const char* entry, const char* globalEntry, int def)
{
    CSettingsStore& store = m_services.settings;
    const int global = store.ReadInt("Display", globalEntry, def);
    const std::string& host = m_highlights.HostName();
    return host.empty() ? global : store.ReadInt(host, entry, global);
}

void CColouredTextDialog::ApplyDisplaySettings()
{
    // The session's display font, but with its own base defaults (10-point Courier), and
    // the stored size taken as the font's character height in pixels.
    CSettingsStore& store = m_services.settings;
    const std::string& host = m_highlights.HostName();
    std::string face = store.ReadString("Display", "Font Face", "Courier");
    if (!host.empty())
        face = store.ReadString(host, "Font Face", face);
    const int dpi = logicalDpiY() > 0 ? logicalDpiY() : 96;
    const int tenPoints = (10 * dpi + 36) / 72;
    int pixels = std::abs(ReadHostInt("Font Size", "Font Size", -tenPoints));
    if (pixels == 0 || pixels > 1000)
        pixels = tenPoints; // a damaged setting must not give an invisible or huge font
    const int weight = ReadHostInt("Font Weight", "Font Weight", 400);
    const bool italic = ReadHostInt("Font Italic", "Font Style", 0) != 0;
    const bool underline = !host.empty() && store.ReadInt(host, "Font Underline", 0) != 0;
    const bool strikeOut = !host.empty() && store.ReadInt(host, "Font Strikeout", 0) != 0;

    QFont font(QString::fromLatin1(face));
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(pixels);
    font.setWeight(static_cast<QFont::Weight>(weight <= 0 ? 400 : std::clamp(weight, 1, 1000)));
    font.setItalic(italic);
    font.setUnderline(underline);
    font.setStrikeOut(strikeOut);
    m_ui->highlightList->SetListFont(font);

    const int background = ReadHostInt("Colour", "Colour", static_cast<int>(kWhite));
    m_ui->highlightList->SetBackground(ToColour(static_cast<std::uint32_t>(background)));
}

void CColouredTextDialog::ShowEntries()
{
    std::vector<CHighlightList::Row> rows;
    rows.reserve(m_entries.size());
    for (const CColouredTextDlg::Entry& entry : m_entries) {
        rows.push_back(
            {ToWidgetText(CColouredTextDlg::DisplayText(entry),
                          ReadHostEncoding(m_services.settings, m_highlights.HostName())),
             ToColour(CColouredTextDlg::Colour(entry.value))});
    }
    m_ui->highlightList->SetRows(std::move(rows));
}

bool CColouredTextDialog::IsEntry(int row) const
{
    return row >= 0 && row < static_cast<int>(m_entries.size());
}

bool CColouredTextDialog::AskEntry(int mode, const std::string& text, std::uint32_t& newMode,
                                   std::string& newText)
{
    CAddHighlightDlg dialog(mode, text, m_services.messages, this,
                            ReadHostEncoding(m_services.settings, m_highlights.HostName()));
    const int result = m_runAddDialog ? m_runAddDialog(dialog) : dialog.exec();
    if (result != QDialog::Accepted)
        return false;
    newMode = dialog.Mode();
    newText = dialog.Text();
    return true;
}

void CColouredTextDialog::OnRowDoubleClicked(int row)
{
    if (IsEntry(row)) {
        Modify(row);
        return;
    }
    std::uint32_t mode = 0;
    std::string text;
    if (!AskEntry(0, std::string(), mode, text))
        return;
    // Text added here is meant to stand out on the window: the inverse of its background
    // (black on the default white).
    std::int32_t background = ReadHostInt("Colour", "Colour", kNoBackground);
    if (background == kNoBackground)
        background = static_cast<std::int32_t>(kWhite);
    const std::uint32_t colour = ~static_cast<std::uint32_t>(background);
    m_entries.push_back({text, CColouredTextDlg::MakeValue(mode, colour)});
    ShowEntries();
}

void CColouredTextDialog::OnRowMenu(int row, const QPoint& globalPos)
{
    m_menuRow = row;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("highlightMenu"));
    QAction* add = menu.addAction(QStringLiteral("&Add Text..."));
    QAction* colour = menu.addAction(QStringLiteral("Set &Colour..."));
    QAction* modify = menu.addAction(QStringLiteral("&Modify Text..."));
    QAction* remove = menu.addAction(QStringLiteral("&Delete Text"));
    const bool entry = IsEntry(row);
    colour->setEnabled(entry);
    modify->setEnabled(entry);
    remove->setEnabled(entry);

    QAction* chosen = m_runMenu ? m_runMenu(menu, globalPos) : menu.exec(globalPos);
    if (chosen == nullptr || !chosen->isEnabled())
        return;
    if (chosen == add)
        OnAddText();
    else if (chosen == colour)
        OnSetColour();
    else if (chosen == modify)
        OnModifyText();
    else if (chosen == remove)
        OnDeleteText();
}

void CColouredTextDialog::OnAddText()
{
    std::uint32_t mode = 0;
    std::string text;
    if (!AskEntry(0, std::string(), mode, text))
        return;
    const CColouredTextDlg::Entry entry{text, CColouredTextDlg::MakeValue(mode, 0)};
    if (IsEntry(m_menuRow))
        m_entries.insert(m_entries.begin() + m_menuRow, entry);
    else
        m_entries.push_back(entry);
    ShowEntries();
}

void CColouredTextDialog::OnSetColour()
{
    if (!IsEntry(m_menuRow))
        return;
    CColouredTextDlg::Entry& entry = m_entries[static_cast<std::size_t>(m_menuRow)];
    std::optional<std::uint32_t> colour;
    if (m_chooseColour) {
        colour = m_chooseColour(CColouredTextDlg::Colour(entry.value));
    } else {
        const QColor chosen =
            QColorDialog::getColor(ToColour(CColouredTextDlg::Colour(entry.value)), this);
        if (chosen.isValid())
            colour = FromColour(chosen);
    }
    if (!colour)
        return;
    entry.value = CColouredTextDlg::MakeValue(CColouredTextDlg::Mode(entry.value), *colour);
    ShowEntries();
}

void CColouredTextDialog::OnModifyText()
{
    if (IsEntry(m_menuRow))
        Modify(m_menuRow);
}

void CColouredTextDialog::Modify(int row)
{
    CColouredTextDlg::Entry& entry = m_entries[static_cast<std::size_t>(row)];
    std::uint32_t mode = 0;
    std::string text;
    if (!AskEntry(static_cast<int>(CColouredTextDlg::Mode(entry.value)), entry.text, mode, text))
        return;
    entry.text = text;
    entry.value = CColouredTextDlg::MakeValue(mode, CColouredTextDlg::Colour(entry.value));
    ShowEntries();
}

void CColouredTextDialog::OnDeleteText()
{
    if (!IsEntry(m_menuRow))
        return;
    const auto at = m_entries.begin() + m_menuRow;
    std::string question = LoadString(HighlightResources::kMsgDeleteQuestion);
    const std::size_t slot = question.find("%s");
    if (slot != std::string::npos)
        question.replace(slot, 2, at->text);
    const auto answer = m_services.messages.ShowMessage(question, CMessageSink::Icon::Question,
                                                        CMessageSink::Buttons::YesNo);
    if (answer != CMessageSink::Answer::Yes)
        return;
    m_entries.erase(at);
    ShowEntries();
}

void CColouredTextDialog::accept()
{
    m_highlights.SetEntries(m_entries);
    m_highlights.Save();
    QDialog::accept();
}

bool EditColouredText(CColouredTextDlg& highlights, CAppServices& services, QWidget* parent)
{
    CColouredTextDialog dialog(highlights, services, parent);
    CInputViewGuard guard(services.app);
    return dialog.exec() == QDialog::Accepted;
}
