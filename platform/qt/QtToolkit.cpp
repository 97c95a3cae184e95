// The dialog toolkit over Qt 6 Widgets: dialogs measured in dialog units,
// controls addressed by integer identifier, commands delivered to the one
// callback as (identifier, notification code), and a modal run that ends
// only through the window's close command.
#include "platform/qt/QtBackend.h"
#include "platform/qt/QtControls.h"

#include "CalvoraVersion.h"
#include "core/AsciiCase.h"
#include "dialog/MainDialog.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct ControlRecord {
  int id;
  ControlKind kind;
  QWidget *widget;
};

} // namespace

// One dialog of the toolkit; WindowRef points at it.
struct ToolkitWindow {
  QWidget *widget = nullptr;
  UnitMode mode = UnitMode::DialogUnits;
  BaseUnits base{4, 8};
  DialogCallbackFn callback = nullptr;
  unsigned showSize = SizeRestored;    // SizeMaximized / SizeMinimized from the style
  std::vector<ControlRecord> controls; // creation order
  QEventLoop *loop = nullptr;          // set while RunModal runs
};

namespace {

// The font request of SetDialogFont, used by every later NewDialog.
struct DialogFontRequest {
  std::string face = "Arial";
  int points = 10;
  int style = 0;
};

DialogFontRequest TheFontRequest;

// Every live dialog; a handle not in this list is ignored.
std::vector<ToolkitWindow *> Dialogs;

ToolkitWindow *FindDialog(WindowRef dialog) {
  if (!dialog)
    return nullptr;
  auto it = std::find(Dialogs.begin(), Dialogs.end(), dialog);
  return it == Dialogs.end() ? nullptr : *it;
}

ControlRecord *FindControl(ToolkitWindow *w, int id) {
  if (!w)
    return nullptr;
  for (ControlRecord &c : w->controls)
    if (c.id == id)
      return &c;
  return nullptr;
}

QString FromProgramText(std::string_view text) {
  // NOTE: the program's 8-bit texts are UTF-8 here, the system code page of
  // a Linux desktop; every text the program itself holds is plain ASCII.
  return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

std::intptr_t Deliver(ToolkitWindow *w, unsigned message, std::uintptr_t wParam,
                      std::intptr_t lParam) {
  if (!w->callback)
    return 0;
  SetNumericMode();
  return w->callback(w, message, wParam, lParam);
}

void DeliverCommand(ToolkitWindow *w, int id, unsigned code, QWidget *control) {
  Deliver(w, MsgCommand, std::uintptr_t(unsigned(id) & 0xFFFFu) | (std::uintptr_t(code) << 16),
          std::intptr_t(control));
}

unsigned SizeType(const QWidget *widget) {
  if (widget->isMinimized())
    return SizeMinimized;
  return widget->isMaximized() ? SizeMaximized : SizeRestored;
}

std::intptr_t ClientSizeParam(const QWidget *widget) {
  return std::intptr_t((unsigned(widget->height()) & 0xFFFFu) << 16 |
                       (unsigned(widget->width()) & 0xFFFFu));
}

// The close command's path: the callback sees the close command first; if it
// leaves it unhandled, it sees the close message, then the window goes and
// the modal run ends.
void CloseDialog(ToolkitWindow *w) {
  if (Deliver(w, MsgSysCommand, SysCommandClose, 0) != 0)
    return;
  Deliver(w, MsgClose, 0, 0);
  w->callback = nullptr; // the window is going: the program hears no more of it
  w->widget->hide();
  Dialogs.erase(std::find(Dialogs.begin(), Dialogs.end(), w));
  if (w->loop) {
    w->loop->quit(); // RunModal destroys the widget and the record
  } else {
    w->widget->deleteLater();
    delete w;
  }
}

// The top-level window of a dialog: catches the close request and the keys
// that a dialog turns into commands; nothing else.
class DialogWindow : public QWidget {
public:
  explicit DialogWindow(ToolkitWindow *record) : QWidget(nullptr, Qt::Window), record_(record) {}

protected:
  void closeEvent(QCloseEvent *event) override {
    // NOTE: the window never closes by Qt's own handling; CloseDialog decides.
    event->ignore();
    if (FindDialog(record_))
      CloseDialog(record_);
  }

  void keyPressEvent(QKeyEvent *event) override {
    const int key = event->key();
    if (key == Qt::Key_F4 && event->modifiers() == Qt::AltModifier) {
      // Alt+F4 is the window's close command even where no window manager
      // turns it into a close request.
      CloseDialog(record_);
    } else if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !event->isAutoRepeat()) {
      DeliverCommand(record_, CommandOk, NotifyClicked, nullptr);
    } else if (key == Qt::Key_Escape && !event->isAutoRepeat()) {
      DeliverCommand(record_, CommandCancel, NotifyClicked, nullptr);
    } else {
      QWidget::keyPressEvent(event);
      return;
    }
    event->accept();
  }

  void resizeEvent(QResizeEvent *event) override {
    QWidget::resizeEvent(event);
    Deliver(record_, MsgSize, SizeType(this), ClientSizeParam(this));
  }

private:
  ToolkitWindow *record_;
};

// The program's icon at every size the window system asks for, from the
// pictures embedded in the program.
QIcon ProgramIcon() {
  QIcon icon;
  for (int size : IconSizes)
    icon.addFile(QStringLiteral(":/calvora/calvora-%1.png").arg(size), QSize(size, size));
  return icon;
}

QFont MakeDialogFont() {
  QFont font(QString::fromStdString(TheFontRequest.face));
  // NOTE: points become pixels at 96 per inch, the logical resolution that
  // dialog layouts are drawn for (10 pt -> 13 px of character height); Qt's
  // device pixel ratio scales the whole window on a high-density screen, so
  // the layout keeps its proportions there.
  font.setPixelSize(std::max(1, MulDiv(TheFontRequest.points, 96, 72)));
  font.setWeight((TheFontRequest.style & 1) ? QFont::Bold : QFont::Normal);
  font.setItalic((TheFontRequest.style & 2) != 0);
  return font;
}

BaseUnits BaseUnitsOf(const QFont &font) {
  // NOTE: dialog units follow the font as on Windows: the average width is
  // (width of "A..Za..z" / 26 + 1) / 2 in integer arithmetic, the height is
  // the character height (ascent plus descent). A dialog unit is a quarter
  // of the first horizontally and an eighth of the second vertically:
  // x pixels = MulDiv(x units, width, 4), y pixels = MulDiv(y units, height, 8).
  // Letters are measured one after another without kerning, as Windows'
  // text extent does.
  QFont unkerned = font;
  unkerned.setKerning(false);
  const QFontMetrics metrics(unkerned);
  const int letters = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return BaseUnits{(letters / 26 + 1) / 2, metrics.height()};
}

QRect PixelRect(const ToolkitWindow *w, int x, int y, int width, int height) {
  if (w->mode == UnitMode::Pixels)
    return QRect(x, y, width, height);
  const int left = MulDiv(x, w->base.x, 4), top = MulDiv(y, w->base.y, 8);
  const int right = MulDiv(x + width, w->base.x, 4), bottom = MulDiv(y + height, w->base.y, 8);
  return QRect(left, top, right - left, bottom - top);
}

// Screen readers hear each row as they do on the window system's dialogs.
// A text box is named by the label created just before it (the entry rows
// are built label first). A label created just after another control and
// beside it on the same row belongs to that control: a unit after a text box
// becomes the box's description; a value after a name label is labelled by
// the name (a labelled-by relation), and described by it for readers that do
// not follow relations.
void TieToPrecedingControl(ToolkitWindow *w, ControlKind kind, QWidget *control) {
  if (w->controls.empty())
    return;
  const ControlRecord &before = w->controls.back();
  if (kind == ControlKind::TextBox && before.kind == ControlKind::Label) {
    auto *label = static_cast<QLabel *>(before.widget);
    label->setBuddy(control);
    control->setAccessibleName(label->text());
    return;
  }
  const bool besideOnTheRow =
      before.widget->y() == control->y() && before.widget->x() < control->x();
  if (kind != ControlKind::Label || !besideOnTheRow)
    return;
  auto *label = static_cast<QLabel *>(control);
  if (before.kind == ControlKind::TextBox) {
    before.widget->setAccessibleDescription(label->text().trimmed());
  } else if (before.kind == ControlKind::Label) {
    auto *name = static_cast<QLabel *>(before.widget);
    name->setBuddy(label);
    label->setAccessibleDescription(name->text());
  }
}

// The program's two frames have no caption on screen; screen readers still
// hear which is which.
struct FrameName {
  int id;
  const char *name;
};

constexpr FrameName FrameNames[] = {{EntryFrameId, "Entry"}, {ResultFrameId, "Results"}};

// A dialog is a dialog to screen readers, as the window system's dialogs are;
// a plain top-level widget would be a "filler".
QAccessibleInterface *DialogAccessible(const QString & /*className*/, QObject *object) {
  auto *window = dynamic_cast<DialogWindow *>(object);
  return window ? new QAccessibleWidget(window, QAccessible::Dialog) : nullptr;
}

QWidget *CreateControl(ToolkitWindow *w, ControlKind kind, int id, const QString &text) {
  QWidget *parent = w->widget;
  switch (kind) {
  case ControlKind::Button: {
    auto *button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setFocusPolicy(Qt::StrongFocus);
    QObject::connect(button, &QPushButton::clicked, button,
                     [w, id, button] { DeliverCommand(w, id, NotifyClicked, button); });
    return button;
  }
  case ControlKind::Frame: {
    auto *frame = new QGroupBox(text, parent);
    frame->setFocusPolicy(Qt::NoFocus);
    for (const FrameName &f : FrameNames)
      if (f.id == id)
        frame->setAccessibleName(QString::fromLatin1(f.name));
    return frame;
  }
  case ControlKind::Label:
    return new StaticText(text, parent);
  case ControlKind::TextBox: {
    auto *edit = new TextBox(text, parent);
    edit->setFrame(true);
    edit->setFocusPolicy(Qt::StrongFocus);
    edit->setCursorPosition(0); // the caret starts before the text
    return edit;
  }
  }
  return nullptr;
}

} // namespace

int MulDiv(int a, int b, int c) {
  if (c == 0)
    return -1;
  const std::int64_t product = std::int64_t(a) * b;
  const bool negative = (product < 0) != (c < 0);
  const std::int64_t p = product < 0 ? -product : product, d = c < 0 ? -std::int64_t(c) : c;
  const std::int64_t q = (p + d / 2) / d;
  if (q > std::int64_t(INT32_MAX))
    return -1; // as on Windows: a result out of range gives -1
  return int(negative ? -q : q);
}

QWidget *DialogWidget(WindowRef dialog) {
  ToolkitWindow *w = FindDialog(dialog);
  return w ? w->widget : nullptr;
}

QWidget *ControlWidget(WindowRef dialog, int id) {
  ControlRecord *c = FindControl(FindDialog(dialog), id);
  return c ? c->widget : nullptr;
}

BaseUnits DialogBaseUnits(WindowRef dialog) {
  ToolkitWindow *w = FindDialog(dialog);
  return w ? w->base : BaseUnits{0, 0};
}

void SetDialogFont(std::string_view face, int points, int style, int /*charset*/) {
  KeepingNumericMode([&] {
    TheFontRequest.face = std::string(face.substr(0, 31));
    TheFontRequest.points = points;
    TheFontRequest.style = style;
  });
}

WindowRef NewDialog(UnitMode mode, WindowRef /*parent*/, std::string_view title,
                    std::optional<int> x, std::optional<int> y, int width, int height,
                    std::uint32_t style, std::uint32_t /*exStyle*/) {
  return KeepingNumericMode([&]() -> WindowRef {
    [[maybe_unused]] static const bool dialogRole =
        (QAccessible::installFactory(DialogAccessible), true);
    auto *w = new ToolkitWindow;
    w->mode = mode;
    auto *widget = new DialogWindow(w);
    w->widget = widget;
    QApplication::setQuitOnLastWindowClosed(false);

    const QFont font = MakeDialogFont();
    widget->setFont(font);
    if (mode == UnitMode::DialogUnits)
      w->base = BaseUnitsOf(font);
    widget->setWindowTitle(FromProgramText(title));

    if (style == 0)
      style = DefaultDialogStyle;
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint;
    if ((style & StyleCaption) == StyleCaption)
      flags |= Qt::WindowTitleHint;
    if (style & StyleSysMenu)
      flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (style & StyleMinimizeBox)
      flags |= Qt::WindowMinimizeButtonHint;
    if (style & StyleMaximizeBox)
      flags |= Qt::WindowMaximizeButtonHint;
    widget->setWindowFlags(flags);

    const QRect client = PixelRect(w, x.value_or(0), y.value_or(0), width, height);
    widget->resize(client.size());
    if (!(style & StyleThickFrame))
      widget->setFixedSize(client.size());
    if (x && y) {
      widget->move(client.topLeft());
    } else if (QScreen *screen = QGuiApplication::primaryScreen()) {
      QRect centred(QPoint(0, 0), client.size());
      centred.moveCenter(screen->availableGeometry().center());
      widget->move(centred.topLeft());
    }
    if (style & StyleMaximize)
      w->showSize = SizeMaximized;
    else if (style & StyleMinimize)
      w->showSize = SizeMinimized;

    Dialogs.push_back(w);
    return w;
  });
}

void SetDialogIcon(WindowRef dialog, std::string_view iconName) {
  KeepingNumericMode([&] {
    ToolkitWindow *w = FindDialog(dialog);
    if (!w)
      return;
    if (!EqualIgnoringAsciiCase(iconName, WindowIconName) &&
        !EqualIgnoringAsciiCase(iconName, ProgramIconName))
      return;
    const QIcon icon = ProgramIcon();
    if (!icon.isNull())
      w->widget->setWindowIcon(icon);
  });
}

void AddControl(ControlKind kind, WindowRef dialog, int id, std::string_view text, int x, int y,
                int width, int height, std::uint32_t /*style*/, std::uint32_t /*exStyle*/) {
  KeepingNumericMode([&] {
    ToolkitWindow *w = FindDialog(dialog);
    if (!w)
      return;
    QWidget *control = CreateControl(w, kind, id, FromProgramText(text));
    if (!control)
      return;
    control->setObjectName(QString::number(id));
    control->setGeometry(PixelRect(w, x, y, width, height));
    TieToPrecedingControl(w, kind, control);
    control->show();
    w->controls.push_back(ControlRecord{id, kind, control});
  });
}

void RemoveControl(WindowRef dialog, int id) {
  KeepingNumericMode([&] {
    ToolkitWindow *w = FindDialog(dialog);
    if (!w)
      return;
    auto it = std::find_if(w->controls.begin(), w->controls.end(),
                           [id](const ControlRecord &c) { return c.id == id; });
    if (it == w->controls.end())
      return;
    QWidget *control = it->widget;
    w->controls.erase(it);
    // NOTE: the control may be the one whose signal is being handled, so it
    // leaves the dialog now and is deleted once that handling is over.
    control->hide();
    control->setParent(nullptr);
    control->deleteLater();
  });
}

std::string GetControlText(WindowRef dialog, int id) {
  return KeepingNumericMode([&]() -> std::string {
    ControlRecord *c = FindControl(FindDialog(dialog), id);
    if (!c)
      return {};
    QString text;
    switch (c->kind) {
    case ControlKind::Button:
      text = static_cast<QPushButton *>(c->widget)->text();
      break;
    case ControlKind::Frame:
      text = static_cast<QGroupBox *>(c->widget)->title();
      break;
    case ControlKind::Label:
      text = static_cast<QLabel *>(c->widget)->text();
      break;
    case ControlKind::TextBox:
      text = static_cast<QLineEdit *>(c->widget)->text();
      break;
    }
    return text.toStdString();
  });
}

void SetControlFocus(WindowRef dialog, int id) {
  KeepingNumericMode([&] {
    ToolkitWindow *w = FindDialog(dialog);
    ControlRecord *c = FindControl(w, id);
    if (!c)
      return;
    w->widget->raise();
    w->widget->activateWindow();
    c->widget->setFocus(Qt::OtherFocusReason);
  });
}

void RunModal(WindowRef dialog, DialogCallbackFn callback) {
  KeepingNumericMode([&] {
    // Step 1: the two direct calls before anything is shown, each entered
    // in the numeric mode.
    ToolkitWindow *w = FindDialog(dialog);
    SetNumericMode();
    callback(w ? w : dialog, MsgInitDialog, 0, 0);
    SetNumericMode();
    callback(w ? w : dialog, MsgSize, w ? w->showSize : SizeRestored,
             w ? ClientSizeParam(w->widget) : 0);
    if (!w)
      return;

    // Step 2: register the callback and show the window as its style asks.
    w->callback = callback;
    if (w->showSize == SizeMaximized)
      w->widget->showMaximized();
    else if (w->showSize == SizeMinimized)
      w->widget->showMinimized();
    else
      w->widget->show();
    w->widget->raise();
    w->widget->activateWindow();

    // Step 3: Qt's own loop sleeps in the window system's wait until an
    // event comes; only the close path ends it.
    QEventLoop loop;
    w->loop = &loop;
    loop.exec();
    delete w->widget;
    delete w;
  });
}

int ShowMessage(std::string_view text, std::uint32_t /*style*/, std::string_view caption) {
  return KeepingNumericMode([&]() -> int {
    QString body = FromProgramText(text);
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box;
    box.setWindowTitle(FromProgramText(caption));
    box.setTextFormat(Qt::PlainText);
    box.setText(body);
    box.setIcon(QMessageBox::NoIcon);
    box.setStandardButtons(QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.show();
    box.raise();
    box.activateWindow();
    box.exec();
    return CommandOk; // the only button, also what Esc gives
  });
}

namespace {

// What Qt logs while the application object starts is held back until the
// start is known to have worked, then passed on as Qt would have printed it.
struct HeldMessage {
  QtMsgType type;
  std::string file, function, category;
  int line;
  QString text;
};

std::vector<HeldMessage> HeldStartMessages;

// Which display could not be opened, for the one line that says so.
std::string DisplayNotOpened() {
  const char *platform = std::getenv("QT_QPA_PLATFORM");
  if (platform && *platform && std::string_view(platform).substr(0, 3) != "xcb")
    return std::string(" (the Qt platform \"") + platform + "\" did not start)";
  const char *display = std::getenv("DISPLAY");
  if (!display || !*display)
    return ": DISPLAY is not set";
  return std::string(" \"") + display + "\"";
}

// A platform layer that cannot start (no display, a display that refuses or
// breaks the connection, a missing platform plugin) is fatal to Qt, which
// would print its log and abort. The program instead says so in one line and
// ends with 255, the exit code of a failed start, leaving no core file.
void HoldStartMessage(QtMsgType type, const QMessageLogContext &context, const QString &text) {
  if (type == QtFatalMsg) {
    const std::string line = "calvora: cannot open the display" + DisplayNotOpened() + "\n";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    std::_Exit(255);
  }
  const auto copy = [](const char *s) { return std::string(s ? s : ""); };
  HeldStartMessages.push_back(HeldMessage{type, copy(context.file), copy(context.function),
                                          copy(context.category), context.line, text});
}

} // namespace

void StartToolkit(int &argc, char **argv) {
  // Qt's own options are not read either: the program takes no argument.
  if (argc > 1) {
    argc = 1;
    argv[1] = nullptr;
  }
  const QtMessageHandler previous = qInstallMessageHandler(HoldStartMessage);
  new QApplication(argc, argv);
  qInstallMessageHandler(previous);
  for (const HeldMessage &m : HeldStartMessages) {
    const QMessageLogContext context(m.file.c_str(), m.line, m.function.c_str(),
                                     m.category.c_str());
    previous(m.type, context, m.text);
  }
  HeldStartMessages.clear();
  QApplication::setApplicationName(QStringLiteral("Calvora"));
  QApplication::setApplicationVersion(QStringLiteral(CALVORA_VERSION));
  QGuiApplication::setDesktopFileName(QStringLiteral("org.calvora.Calvora"));
  QApplication::setWindowIcon(ProgramIcon());
  SetNumericMode();
}

void StopToolkit() { delete qApp; }
