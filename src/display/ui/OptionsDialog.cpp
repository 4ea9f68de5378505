#include "display/ui/OptionsDialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "base/MessageSink.h"
#include "res/StringTable.h"
#include "res/WidgetText.h"

namespace {

constexpr int kLinesField = 1015;
constexpr int kBackColourButton = 1016;
constexpr int kTextColourButton = 1017;
constexpr int kFontButton = 1035;
constexpr int kSendCtrlBox = 1078;
constexpr int kHistoryField = 1106;
// How the server's text is read: labels, choices and tool tips.
constexpr int kEncodingLabel = 8420;
constexpr int kEncodingChoices[] = {8421, 8422, 8423}; // Auto, UTF-8, Latin-1
constexpr int kAnsiColourBox = 8424;
constexpr int kLineEndsLabel = 8425;
constexpr int kLineEndsChoices[] = {8421, 8426, 8427}; // Auto, as sent, bare LF ends a line
constexpr int kEncodingTip = 8428;
constexpr int kAnsiColourTip = 8429;
constexpr int kLineEndsTip = 8430;

QString Text(int id)
{
    return ToWidgetText(LoadString(id));
}

// 0x00BBGGRR.
QColor ToColour(std::uint32_t value)
{
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

std::uint32_t FromColour(const QColor& colour)
{
    return static_cast<std::uint32_t>(colour.red()) |
           static_cast<std::uint32_t>(colour.green()) << 8 |
           static_cast<std::uint32_t>(colour.blue()) << 16;
}

QFont ToFont(const COptionsDlg::FontDescription& description)
{
    QFont font(ToWidgetText(description.face));
    if (description.height < 0)
        font.setPixelSize(-description.height);
    else if (description.height > 0)
        font.setPixelSize(description.height);
    font.setWeight(static_cast<QFont::Weight>(std::clamp(description.weight, 100, 900)));
    font.setItalic(description.italic != 0);
    font.setUnderline(description.underline != 0);
    font.setStrikeOut(description.strikeOut != 0);
    return font;
}

// The "Text Display" sample: the background colour, and two centred lines in the chosen
// font and text colour.
class CSample final : public QWidget {
public:
    CSample(const COptionsDlg& options, QWidget* parent) : QWidget(parent), m_options(options)
    {
        setMinimumHeight(35);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), ToColour(m_options.m_backColour));
        painter.setClipRect(rect());
        const QFont font = ToFont(m_options.m_font);
        painter.setFont(font);
        painter.setPen(ToColour(m_options.m_textColour));
        const int lineHeight = QFontMetrics(font).height();
        painter.drawText(QRect(0, 2, width(), lineHeight), Qt::AlignHCenter,
                         QStringLiteral("Example Text:"));
        painter.drawText(QRect(0, 2 + lineHeight, width(), lineHeight), Qt::AlignHCenter,
                         ToWidgetText(m_options.SamplePhrase()));
    }

private:
    const COptionsDlg& m_options;
};

} // namespace

COptionsDialog::COptionsDialog(COptionsDlg& options, CMessageSink& messages, QWidget* parent)
    : QDialog(parent), m_options(options), m_messages(messages)
{
    setWindowTitle(QStringLiteral("Brumble Options"));
    auto* layout = new QVBoxLayout(this);

    auto* display = new QGroupBox(QStringLiteral("Text Display"), this);
    auto* displayLayout = new QVBoxLayout(display);
    m_sample = new CSample(m_options, display);
    displayLayout->addWidget(m_sample);
    auto* buttons = new QHBoxLayout;
    auto addButton = [&](const char* caption, int id, auto action) {
        auto* button = new QPushButton(QString::fromLatin1(caption), display);
        button->setToolTip(ToolTipText(id));
        connect(button, &QPushButton::clicked, this, action);
        buttons->addWidget(button);
    };
    auto pickColour = [this](std::uint32_t& value) {
        const auto chosen = chooseColour ? chooseColour(value) : std::nullopt;
        if (chosen) {
            value = *chosen;
            m_sample->update();
        }
    };
    addButton("&Back Colour", kBackColourButton,
              [this, pickColour] { pickColour(m_options.m_backColour); });
    addButton("&Text Colour", kTextColourButton,
              [this, pickColour] { pickColour(m_options.m_textColour); });
    addButton("Display &Font", kFontButton, [this] {
        const auto chosen =
            chooseFont ? chooseFont(m_options.m_font) : DefaultChooseFont(m_options.m_font);
        if (chosen) {
            m_options.m_font = *chosen;
            m_sample->update();
        }
    });
    displayLayout->addLayout(buttons);
    layout->addWidget(display);

    auto* fields = new QFormLayout;
    m_lines = new QLineEdit(QString::number(m_options.m_lineBuffer), this);
    m_lines->setToolTip(ToolTipText(kLinesField));
    fields->addRow(QStringLiteral("Lines of text buffered in the display area:"), m_lines);
    m_history = new QLineEdit(QString::number(m_options.m_history), this);
    m_history->setToolTip(ToolTipText(kHistoryField));
    fields->addRow(QStringLiteral("Commands buffered in the drop-down list:"), m_history);
    layout->addLayout(fields);
    m_sendCtrl =
        new QCheckBox(QStringLiteral("Allow sending of Ctrl characters (Ctrl+A to Ctrl+Z)"), this);
    m_sendCtrl->setChecked(m_options.m_sendCtrl);
    m_sendCtrl->setToolTip(ToolTipText(kSendCtrlBox));
    layout->addWidget(m_sendCtrl);

    auto* text = new QFormLayout;
    auto choice = [this](const int (&ids)[3], int current, int tip) {
        auto* box = new QComboBox(this);
        for (const int id : ids)
            box->addItem(Text(id));
        box->setCurrentIndex(current);
        box->setToolTip(ToolTipText(tip));
        return box;
    };
    m_encoding = choice(kEncodingChoices, m_options.m_encoding, kEncodingTip);
    text->addRow(Text(kEncodingLabel), m_encoding);
    m_lineEnds = choice(kLineEndsChoices, m_options.m_lineEnds, kLineEndsTip);
    text->addRow(Text(kLineEndsLabel), m_lineEnds);
    layout->addLayout(text);
    m_ansiColour = new QCheckBox(Text(kAnsiColourBox), this);
    m_ansiColour->setChecked(m_options.m_ansiColour);
    m_ansiColour->setToolTip(ToolTipText(kAnsiColourTip));
    layout->addWidget(m_ansiColour);

    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &COptionsDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &COptionsDialog::reject);
    layout->addWidget(box);

    chooseColour = [this](std::uint32_t current) -> std::optional<std::uint32_t> {
        const QColor colour = QColorDialog::getColor(ToColour(current), this);
        return colour.isValid() ? std::optional(FromColour(colour)) : std::nullopt;
    };
}

std::optional<COptionsDlg::FontDescription>
COptionsDialog::DefaultChooseFont(const COptionsDlg::FontDescription& current)
{
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, ToFont(current), this);
    if (!ok)
        return std::nullopt;
    COptionsDlg::FontDescription chosen;
    chosen.face = FromWidgetText(font.family());
    // Stored as a negative pixel height whatever unit the chooser worked in, so the value
    // means the same on every machine.
    chosen.height = font.pixelSize() > 0
                        ? -font.pixelSize()
                        : COptionsDlg::HeightForPoints(static_cast<int>(font.pointSizeF() + 0.5),
                                                       logicalDpiY());
    chosen.weight = static_cast<int>(font.weight());
    chosen.italic = font.italic() ? 1 : 0;
    chosen.underline = font.underline() ? 1 : 0;
    chosen.strikeOut = font.strikeOut() ? 1 : 0;
    return chosen;
}

bool COptionsDialog::ReadField(QLineEdit* field, int min, int max, int& value)
{
    std::string message;
    if (COptionsDlg::ParseField(FromWidgetText(field->text()), min, max, value, message))
        return true;
    m_messages.ShowMessage(message, CMessageSink::Icon::Exclamation, CMessageSink::Buttons::Ok);
    field->setFocus();
    field->selectAll();
    return false;
}

void COptionsDialog::accept()
{
    int lines = 0;
    int history = 0;
    if (!ReadField(m_lines, COptionsDlg::kMinLines, COptionsDlg::kMaxLines, lines) ||
        !ReadField(m_history, COptionsDlg::kMinHistory, COptionsDlg::kMaxHistory, history))
        return;
    m_options.m_lineBuffer = lines;
    m_options.m_history = history;
    m_options.m_sendCtrl = m_sendCtrl->isChecked();
    m_options.m_encoding = std::max(0, m_encoding->currentIndex());
    m_options.m_ansiColour = m_ansiColour->isChecked();
    m_options.m_lineEnds = std::max(0, m_lineEnds->currentIndex());
    m_options.SaveSettings();
    QDialog::accept();
}

bool EditOptions(COptionsDlg& options, CMessageSink& messages, QWidget* parent)
{
    COptionsDialog dialog(options, messages, parent);
    return dialog.exec() == QDialog::Accepted;
}
