// The Qt back end: real windows with Qt 6 Widgets.
//
// Qt event handlers only post to our queue (NativeHandlerScope marks them); window
// and dialog procedures run from our own loops. The blocking get pumps Qt until the
// queue has something. A top-level window paints into a backing QImage during
// WM_PAINT; Qt's paint event only copies that image to the screen.
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QByteArray>
#include <QCheckBox>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <unordered_map>

#include "platform/detail.h"
#include "platform/qt/qt_backend.h"
#include "platform/qt/qt_draw.h"

namespace plat {
namespace detail {
namespace {

// ---- Translation of native input into our messages -----------------------------------

unsigned modifier_bits(Qt::KeyboardModifiers m) {
    unsigned bits = 0;
    if (m & Qt::ShiftModifier) bits |= MK_SHIFT;
    if (m & Qt::ControlModifier) bits |= MK_CONTROL;
    if (m & Qt::AltModifier) bits |= MODS_ALT;
    return bits;
}

unsigned mouse_bits(Qt::MouseButtons b, Qt::KeyboardModifiers m) {
    unsigned bits = modifier_bits(m) & (MK_SHIFT | MK_CONTROL);
    if (b & Qt::LeftButton) bits |= MK_LBUTTON;
    if (b & Qt::RightButton) bits |= MK_RBUTTON;
    if (b & Qt::MiddleButton) bits |= MK_MBUTTON;
    return bits;
}

int virtual_key(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return 'A' + (key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return '0' + (key - Qt::Key_0);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return VK_F1 + (key - Qt::Key_F1);
    switch (key) {
        case Qt::Key_Comma:
            return VK_OEM_COMMA;
        case Qt::Key_Backspace:
            return VK_BACK;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return VK_TAB;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return VK_RETURN;
        case Qt::Key_Shift:
            return VK_SHIFT;
        case Qt::Key_Control:
            return VK_CONTROL;
        case Qt::Key_Alt:
            return VK_MENU;
        case Qt::Key_Escape:
            return VK_ESCAPE;
        case Qt::Key_Space:
            return VK_SPACE;
        case Qt::Key_PageUp:
            return VK_PRIOR;
        case Qt::Key_PageDown:
            return VK_NEXT;
        case Qt::Key_End:
            return VK_END;
        case Qt::Key_Home:
            return VK_HOME;
        case Qt::Key_Left:
            return VK_LEFT;
        case Qt::Key_Up:
            return VK_UP;
        case Qt::Key_Right:
            return VK_RIGHT;
        case Qt::Key_Down:
            return VK_DOWN;
        case Qt::Key_Insert:
            return VK_INSERT;
        case Qt::Key_Delete:
            return VK_DELETE;
        default:
            return 0;
    }
}

void post_key(Hwnd h, QKeyEvent* e, bool down) {
    NativeHandlerScope scope;
    const int vk = virtual_key(e->key());
    if (vk == 0) return;
    // lparam: repeat count 1, bit 30 = the key was already down (auto-repeat).
    const LPARAM l = 1 | (e->isAutoRepeat() ? (LPARAM{1} << 30) : 0);
    post_input(h, down ? WM_KEYDOWN : WM_KEYUP, static_cast<WPARAM>(vk), l,
               modifier_bits(e->modifiers()));
}

// ---- Widgets -------------------------------------------------------------------------

// Pixels between a modeless dialog and its owner's client area corner.
constexpr int kModelessInset = 12;

// The client area of a top-level window.
class ClientWidget : public QWidget {
  public:
    ClientWidget(Hwnd h, QImage* backing) : h_(h), backing_(backing) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
        setMouseTracking(true);
        setFocusPolicy(Qt::StrongFocus);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(0, 0, *backing_);
    }
    void resizeEvent(QResizeEvent*) override {
        NativeHandlerScope scope;
        if (Window* w = find_window(h_)) client_resized(*w, Size{width(), height()});
    }
    void mouseMoveEvent(QMouseEvent* e) override { post_mouse(WM_MOUSEMOVE, e); }
    void mousePressEvent(QMouseEvent* e) override {
        setFocus();
        if (const unsigned m = button_message(e->button(), true)) post_mouse(m, e);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (const unsigned m = button_message(e->button(), false)) post_mouse(m, e);
    }
    void wheelEvent(QWheelEvent* e) override {
        NativeHandlerScope scope;
        const int delta = e->angleDelta().y();
        if (delta == 0) return;  // a sideways turn: nothing of ours scrolls sideways
        const QPoint p = e->position().toPoint();
        post_input(h_, WM_MOUSEWHEEL,
                   make_wparam(mouse_bits(e->buttons(), e->modifiers()),
                               static_cast<unsigned>(std::clamp(delta, -32768, 32767))),
                   make_lparam(p.x(), p.y()), modifier_bits(e->modifiers()));
    }
    void keyPressEvent(QKeyEvent* e) override { post_key(h_, e, true); }
    void keyReleaseEvent(QKeyEvent* e) override { post_key(h_, e, false); }
    bool focusNextPrevChild(bool) override { return false; }  // Tab is a key like others
    bool event(QEvent* e) override {
        if (e->type() == QEvent::ShortcutOverride) {
            // No Qt shortcut may take Ctrl+letter, arrows, Page Up/Down, Delete or Escape.
            auto* k = static_cast<QKeyEvent*>(e);
            if (!(k->modifiers() & Qt::AltModifier)) {
                e->accept();
                return true;
            }
        }
        return QWidget::event(e);
    }

  private:
    // The button message of a press or release; 0 for buttons we do not use.
    static unsigned button_message(Qt::MouseButton b, bool down) {
        switch (b) {
            case Qt::LeftButton:
                return down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
            case Qt::RightButton:
                return down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
            case Qt::MiddleButton:
                return down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
            default:
                return 0;
        }
    }
    void post_mouse(unsigned message, QMouseEvent* e) {
        NativeHandlerScope scope;
        const QPoint p = e->position().toPoint();
        post_input(h_, message, mouse_bits(e->buttons(), e->modifiers()), make_lparam(p.x(), p.y()),
                   modifier_bits(e->modifiers()));
    }
    Hwnd h_;
    QImage* backing_;
};

class FrameWindow : public QMainWindow {
  public:
    explicit FrameWindow(Hwnd h, QWidget* owner) : QMainWindow(owner, Qt::Window), h_(h) {}

  protected:
    void closeEvent(QCloseEvent* e) override {
        NativeHandlerScope scope;
        e->ignore();  // the window procedure decides
        post_input(h_, WM_CLOSE, 0, 0, modifier_bits(QGuiApplication::keyboardModifiers()));
    }

  private:
    Hwnd h_;
};

// A dialog whose keys, close box and accept/reject all go through our dialog manager.
class DialogWidget : public QDialog {
  public:
    DialogWidget(Hwnd h, QWidget* owner) : QDialog(owner), h_(h) {}
    void accept() override {}
    void reject() override {}
    void done(int) override {}

  protected:
    void keyPressEvent(QKeyEvent* e) override { post_key(h_, e, true); }
    void keyReleaseEvent(QKeyEvent* e) override { post_key(h_, e, false); }
    void closeEvent(QCloseEvent* e) override {
        NativeHandlerScope scope;
        e->ignore();
        post_input(h_, WM_CLOSE, 0, 0, modifier_bits(QGuiApplication::keyboardModifiers()));
    }

  private:
    Hwnd h_;
};

// An edit box that tells its dialog when it loses the keyboard focus
// (WM_COMMAND with EN_KILLFOCUS, as the system's edit boxes do).
class EditWidget : public QLineEdit {
  public:
    EditWidget(const QString& text, QWidget* parent, Hwnd dlg, Hwnd ctl, int id)
        : QLineEdit(text, parent), dlg_(dlg), ctl_(ctl), id_(id) {}

  protected:
    void focusOutEvent(QFocusEvent* e) override {
        QLineEdit::focusOutEvent(e);
        NativeHandlerScope scope;
        post_input(dlg_, WM_COMMAND, make_wparam(static_cast<unsigned>(id_), EN_KILLFOCUS),
                   static_cast<LPARAM>(ctl_.id),
                   modifier_bits(QGuiApplication::keyboardModifiers()));
    }

  private:
    Hwnd dlg_, ctl_;
    int id_;
};

// Keeps a modeless dialog (the frame control) in the top-left corner of its owner's
// client area, over the picture and clear of the menu bar, as the owner is placed
// by the window manager and moved, until the user moves the dialog elsewhere.
class CornerPlacement : public QObject {
  public:
    static void attach(QWidget* dialog, QWidget* client) {
        if (dialog->property(kPlacedProperty).toBool()) return;  // shown again: keep the first
        dialog->setProperty(kPlacedProperty, true);
        auto* p = new CornerPlacement(dialog, client);
        client->window()->installEventFilter(p);
        p->place();
    }

  protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Move || e->type() == QEvent::Show || e->type() == QEvent::Resize)
            place();
        return false;
    }

  private:
    static constexpr const char* kPlacedProperty = "sceneCornerPlacement";

  public:
    static constexpr const char* kRightProperty = "sceneRightCorner";

  private:
    CornerPlacement(QWidget* dialog, QWidget* client)
        : QObject(dialog), dialog_(dialog), client_(client) {}
    void place() {
        if (placed_ && dialog_->pos() != where_) {  // the user moved it
            client_->window()->removeEventFilter(this);
            return;
        }
        const bool right = dialog_->property(kRightProperty).toBool();
        const int x = right ? client_->width() - dialog_->frameGeometry().width() - kModelessInset
                            : kModelessInset;
        where_ = client_->mapToGlobal(QPoint(std::max(x, 0), kModelessInset));
        dialog_->move(where_);
        placed_ = true;
    }
    QWidget* dialog_;
    QWidget* client_;
    QPoint where_;
    bool placed_ = false;
};

struct NativeTop {
    FrameWindow* frame = nullptr;
    ClientWidget* client = nullptr;
    QImage backing;
    std::unordered_map<int, QAction*> actions;  // by command id (first item with it)
};

QImage image_from(const Pixels& p) {
    QImage img(p.width, p.height, QImage::Format_ARGB32);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            img.setPixel(x, y, p.argb[static_cast<std::size_t>(y) * p.width + x]);
    return img;
}

QString qs(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<int>(s.size()));
}

// The picture as the bytes of a PNG file, encoded in memory: the file is written by
// the core, which checks every write (QImage::save does not see a failed last one).
bool png_bytes(const QImage& img, std::string& png) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !img.save(&buffer, "PNG")) return false;
    png.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return true;
}

// A picture's pixels as 0x00RRGGBB, row by row.
void copy_pixels(const QImage& picture, std::vector<std::uint32_t>& pixels) {
    const QImage img = picture.format() == QImage::Format_RGB32
                           ? picture
                           : picture.convertToFormat(QImage::Format_RGB32);
    const int w = img.width(), h = img.height();
    pixels.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(img.constScanLine(y));
        std::uint32_t* out = pixels.data() + static_cast<std::size_t>(y) * w;
        for (int x = 0; x < w; ++x) out[x] = row[x] & 0x00ffffffu;
    }
}

QWidget* widget_of(Hwnd h) {
    Window* w = top_of(h);
    if (!w || !w->native) return nullptr;
    if (w->kind == WinKind::Top) return static_cast<NativeTop*>(w->native)->frame;
    return static_cast<QWidget*>(w->native);
}

// ---- The back end --------------------------------------------------------------------

class QtBackend;
QtBackend* g_qt = nullptr;

class QtBackend : public Backend {
  public:
    ~QtBackend() override {
        if (g_qt == this) g_qt = nullptr;
    }
    const char* name() const override { return "qt"; }

    bool start(const StartOptions& options, int& argc, char** argv) override {
        canvas_only_ = options.canvas_only;
        if (QCoreApplication::instance()) {
            if (!canvas_only_ && !qobject_cast<QApplication*>(QCoreApplication::instance())) {
                std::fprintf(stderr, "platform (qt): a non-widget Qt application already exists\n");
                return false;
            }
        } else if (canvas_only_) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            app_ = new QGuiApplication(argc, argv);
        } else {
            // QApplication aborts without a display; refuse instead.
            if (!display_available()) {
                std::fprintf(stderr, "platform (qt): no display\n");
                return false;
            }
            app_ = new QApplication(argc, argv);
        }
        clock_.start();
        font_ = qt_canvas_font();
        if (!canvas_only_ && current_resources())
            if (const ImageTemplate* icon = current_resources()->find_icon(1))
                QApplication::setWindowIcon(
                    QIcon(QPixmap::fromImage(image_from(decode_image(*icon)))));
        g_qt = this;
        return true;
    }

    void stop() override {
        while (overriding_ && QGuiApplication::overrideCursor()) {
            QGuiApplication::restoreOverrideCursor();
        }
        overriding_ = false;
        cursors_.clear();
        if (app_) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            delete app_;
            app_ = nullptr;
        }
        g_qt = nullptr;
    }

    void pump(bool wait) override {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents(wait ? QEventLoop::WaitForMoreEvents
                                             : QEventLoop::AllEvents);
    }

    // ---- windows ----

    bool create_top(Window& w, int width, int height) override {
        if (canvas_only_) return false;
        auto* n = new NativeTop;
        QWidget* owner = widget_of(w.owner);
        n->frame = new FrameWindow(Hwnd{w.id}, owner);
        n->frame->setWindowTitle(qs(w.title));
        if (w.icon_id != 0 && current_resources())
            if (const ImageTemplate* icon = current_resources()->find_icon(w.icon_id))
                n->frame->setWindowIcon(QIcon(QPixmap::fromImage(image_from(decode_image(*icon)))));
        n->client = new ClientWidget(Hwnd{w.id}, &n->backing);
        n->frame->setCentralWidget(n->client);
        int menu_height = 0;
        if (w.menu_template) {
            build_menu(w, *n);
            menu_height = n->frame->menuBar()->sizeHint().height();
        }
        n->frame->resize(std::max(width, 1), std::max(height, 1));
        w.client = Size{std::max(width, 1), std::max(height - menu_height, 1)};
        n->backing = QImage(w.client.width, w.client.height, QImage::Format_RGB32);
        n->backing.fill(Qt::black);
        w.native = n;
        return true;
    }

    bool create_dialog(Window& dlg) override {
        if (canvas_only_) return false;
        const DialogTemplate& t = *dlg.dlg_template;
        auto* d = new DialogWidget(Hwnd{dlg.id}, widget_of(dlg.owner));
        d->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
        d->setWindowTitle(qs(t.title));
        if (dlg.modal) d->setWindowModality(Qt::ApplicationModal);
        QFont font = QApplication::font();
        font.setPointSize(t.point_size > 0 ? t.point_size : 8);
        d->setFont(font);
        // Dialog units from the dialog font: x in quarters of the average character
        // width, y in eighths of the character height.
        const QFontMetrics fm(font);
        const int avg = (fm.horizontalAdvance(QStringLiteral(
                             "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                             26 +
                         1) /
                        2;
        const int base_y = fm.height();
        auto dx = [avg](int v) { return (v * avg + 2) / 4; };
        auto dy = [base_y](int v) { return (v * base_y + 4) / 8; };
        d->setFixedSize(dx(t.cx), dy(t.cy));
        for (Hwnd ch : dlg.controls) {
            Window* c = find_window(ch);
            if (!c) continue;
            QWidget* widget = make_control(dlg, *c, d);
            widget->setGeometry(dx(c->ctl->x), dy(c->ctl->y), dx(c->ctl->cx), dy(c->ctl->cy));
            c->native = widget;
        }
        dlg.native = d;
        return true;
    }

    void destroy(Window& w) override {
        if (w.kind == WinKind::Top) {
            auto* n = static_cast<NativeTop*>(w.native);
            if (n) {
                delete n->frame;
                delete n;
            }
        } else if (w.kind == WinKind::Dialog) {
            delete static_cast<QWidget*>(w.native);
        }
        w.native = nullptr;
    }

    void show(Window& w, bool show) override {
        QWidget* widget = widget_of(Hwnd{w.id});
        if (!widget) return;
        if (show && w.kind == WinKind::Dialog && !w.modal)
            if (Window* owner = find_window_kind(w.owner, WinKind::Top); owner && owner->native) {
                widget->setProperty(CornerPlacement::kRightProperty,
                                    w.dlg_template && w.dlg_template->right_corner);
                CornerPlacement::attach(widget, static_cast<NativeTop*>(owner->native)->client);
            }
        widget->setVisible(show);
        if (show && w.kind == WinKind::Top) {
            auto* n = static_cast<NativeTop*>(w.native);
            n->frame->activateWindow();
            n->client->setFocus();
        }
    }

    void title_changed(Window& w) override {
        if (QWidget* widget = widget_of(Hwnd{w.id})) widget->setWindowTitle(qs(w.title));
    }

    void control_changed(Window& c) override {
        auto* widget = static_cast<QWidget*>(c.native);
        if (!widget) return;
        const QString text = qs(c.title);
        switch (c.ctl->kind) {
            case ControlKind::Label:
                static_cast<QLabel*>(widget)->setText(text);
                break;
            case ControlKind::Edit: {
                auto* e = static_cast<QLineEdit*>(widget);
                if (e->text() != text) e->setText(text);
                break;
            }
            case ControlKind::CheckBox: {
                auto* b = static_cast<QCheckBox*>(widget);
                QSignalBlocker block(b);
                b->setText(text);
                b->setChecked(c.checked);
                break;
            }
            case ControlKind::GroupBox:
                static_cast<QGroupBox*>(widget)->setTitle(text);
                break;
            case ControlKind::Button:
            case ControlKind::DefaultButton:
            case ControlKind::BitmapButton:
                set_button_face(c, static_cast<QPushButton*>(widget));
                break;
        }
    }

    void menu_check_changed(Window& w, const MenuItemState& item) override {
        auto* n = static_cast<NativeTop*>(w.native);
        if (!n) return;
        auto it = n->actions.find(item.id);
        if (it == n->actions.end()) return;
        show_check(it->second, item.checked);
    }

    void modal_started(Window& dlg) override {
        if (auto* d = static_cast<QDialog*>(dlg.native)) {
            d->raise();
            d->activateWindow();
        }
    }
    void modal_ended(Window&) override {}

    void focus_control(Window&, Window& c) override {
        if (auto* widget = static_cast<QWidget*>(c.native)) widget->setFocus();
    }

    void painted(Window& w) override {
        if (auto* n = static_cast<NativeTop*>(w.native)) n->client->update();
    }

    // ---- modal helpers ----

    int message_box(Hwnd owner, std::string_view text, std::string_view caption,
                    MessageButtons buttons) override {
        const bool question = buttons == MessageButtons::SaveDiscardCancel;
        const bool yes_no = buttons == MessageButtons::YesNo;
        if (canvas_only_) {
            std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                         static_cast<int>(text.size()), text.data());
            return question ? IDCANCEL : yes_no ? IDNO : IDOK;
        }
        const QMessageBox::StandardButtons shown =
            question ? QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel
            : yes_no ? QMessageBox::Yes | QMessageBox::No
                     : QMessageBox::StandardButtons(QMessageBox::Ok);
        auto* box =
            new QMessageBox(question || yes_no ? QMessageBox::Question : QMessageBox::NoIcon,
                            qs(caption), qs(text), shown, widget_of(owner));
        if (question) {
            box->setDefaultButton(QMessageBox::Save);
            box->setEscapeButton(QMessageBox::Cancel);
        } else if (yes_no) {
            box->setDefaultButton(QMessageBox::Yes);
            box->setEscapeButton(QMessageBox::No);
        }
        box->setWindowModality(Qt::ApplicationModal);
        run_until_finished(box);
        const QMessageBox::StandardButton pressed = box->standardButton(box->clickedButton());
        delete box;
        if (yes_no) return pressed == QMessageBox::Yes ? IDYES : IDNO;
        if (!question) return IDOK;
        return pressed == QMessageBox::Save      ? IDYES
               : pressed == QMessageBox::Discard ? IDNO
                                                 : IDCANCEL;
    }

    std::optional<std::string> file_dialog(Hwnd owner, const FileDialogOptions& o,
                                           bool save) override {
        if (canvas_only_) return std::nullopt;
        auto* fd = new QFileDialog(widget_of(owner), qs(o.title), qs(o.initial_dir));
        fd->setOption(QFileDialog::DontUseNativeDialog);
        QStringList filters;
        for (const FileFilter& f : o.filters) filters << qt_name_filter(f.name, f.pattern);
        if (!filters.isEmpty()) fd->setNameFilters(filters);
        fd->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        fd->setFileMode(save || !o.must_exist ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        if (!o.file_name.empty()) fd->selectFile(qs(o.file_name));
        fd->setWindowModality(Qt::ApplicationModal);
        const int result = run_until_finished(fd);
        std::optional<std::string> path;
        if (result == QDialog::Accepted && !fd->selectedFiles().isEmpty())
            path = fd->selectedFiles().first().toStdString();
        delete fd;
        return path;
    }

    // ---- cursors, time ----

    bool load_cursor(Hcursor h, const ImageTemplate* image, StdCursor std) override {
        if (image) {
            const QPixmap pm = QPixmap::fromImage(image_from(decode_image(*image)));
            cursors_[h.id] = QCursor(pm, image->hot_x, image->hot_y);
        } else {
            cursors_[h.id] = QCursor(std == StdCursor::Wait ? Qt::WaitCursor : Qt::ArrowCursor);
        }
        return true;
    }

    void cursor_set(Hcursor h, bool is_class) override {
        if (canvas_only_) return;
        if (is_class) {
            if (overriding_) QGuiApplication::restoreOverrideCursor();
            overriding_ = false;
            return;
        }
        auto it = cursors_.find(h.id);
        const QCursor c = it != cursors_.end() ? it->second : QCursor(Qt::BlankCursor);
        if (overriding_)
            QGuiApplication::changeOverrideCursor(c);
        else
            QGuiApplication::setOverrideCursor(c);
        overriding_ = true;
    }

    void sleep(unsigned ms) override {
        // Qt events keep flowing while we wait (they only post), so the pointer and
        // exposes stay smooth during the playback's pauses. The event loop wakes in
        // whole milliseconds, a fraction late; the last stretch is slept plainly,
        // so that the sleep lasts what was asked and no more.
        using std::chrono::nanoseconds;
        constexpr qint64 kPlainNs = 1500000;  // the last 1.5 ms
        QElapsedTimer t;
        t.start();
        const qint64 total = static_cast<qint64>(ms) * 1000000;
        QTimer wake;
        wake.setTimerType(Qt::PreciseTimer);
        wake.setSingleShot(true);
        if (total > kPlainNs) wake.start(static_cast<int>((total - kPlainNs) / 1000000));
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        while (wake.isActive()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const qint64 left = total - t.nsecsElapsed();
        if (left > 0) std::this_thread::sleep_for(nanoseconds(left));
    }

    std::uint64_t now_ms() override { return static_cast<std::uint64_t>(clock_.elapsed()); }

    // ---- drawing ----

    void bitmap_created(BitmapRec& b, const Pixels* pixels) override {
        QImage* img = pixels ? new QImage(image_from(*pixels))
                             : new QImage(b.size.width, b.size.height, QImage::Format_RGB32);
        if (!pixels) img->fill(Qt::black);
        b.native = img;
    }
    void bitmap_deleted(BitmapRec& b) override {
        delete static_cast<QImage*>(b.native);
        b.native = nullptr;
    }

    bool dc_opened(DcRec& dc) override {
        QImage* target = target_of(dc, true);
        if (!target) return false;
        auto* q = new QtDc(font_);
        if (!q->begin(target)) {
            delete q;
            return false;
        }
        dc.native = q;
        return true;
    }
    void dc_closed(DcRec& dc) override {
        delete static_cast<QtDc*>(dc.native);
        dc.native = nullptr;
    }
    void dc_retarget(DcRec& dc) override {
        auto* q = static_cast<QtDc*>(dc.native);
        if (q) q->begin(target_of(dc, false));
    }

    void erase(DcRec& dc, const BrushRec& brush, Size size) override {
        qdc(dc).fill(Rect{0, 0, size.width, size.height}, brush.info);
    }
    void move(DcRec&, Point) override {}
    void line(DcRec& dc, Point from, Point to) override { qdc(dc).line(look_of(dc), from, to); }
    void polygon(DcRec& dc, const Point* p, int n) override { qdc(dc).polygon(look_of(dc), p, n); }
    void ellipse(DcRec& dc, const Rect& b) override { qdc(dc).ellipse(look_of(dc), b); }
    void fill_rect(DcRec& dc, const Rect& r, Brush, const BrushRec& b) override {
        qdc(dc).fill(r, b.info);
    }
    void text(DcRec& dc, Point at, std::string_view text) override {
        qdc(dc).text(look_of(dc), at, text);
    }
    void blt(DcRec& dst, Point at, Size size, DcRec& src, Point from) override {
        QImage* s = target_of(src, false);
        QImage* d = target_of(dst, false);
        if (!s || !d || s == d) return;
        // A whole picture onto one of its size (the painters' final copy): the two
        // share the pixels, which are copied only if either is drawn on again.
        const QSize whole(size.width, size.height);
        if (at == Point{0, 0} && from == Point{0, 0} && s->size() == whole && d->size() == whole &&
            s->format() == d->format()) {
            qdc(src).end();
            qdc(dst).end();
            *d = *s;
            return;
        }
        qdc(dst).blit(at, size, *s, from);
    }
    bool encode_png(DcRec& canvas, std::string& png) override {
        QImage* img = target_of(canvas, false);
        auto* q = static_cast<QtDc*>(canvas.native);
        if (!img || !q) return false;
        q->end();
        const bool ok = png_bytes(*img, png);
        q->begin(img);
        return ok;
    }
    bool read_pixels(DcRec& canvas, std::vector<std::uint32_t>& pixels) override {
        QImage* img = target_of(canvas, false);
        auto* q = static_cast<QtDc*>(canvas.native);
        if (!img || !q) return false;
        q->end();
        copy_pixels(*img, pixels);
        q->begin(img);
        return true;
    }

    bool save_window(Hwnd h, const std::string& path, std::string* error) {
        Window* w = find_window_kind(h, WinKind::Top);
        std::string png;
        const bool encoded =
            w && w->native && png_bytes(static_cast<NativeTop*>(w->native)->backing, png);
        return write_png_file(encoded, png, path, error);
    }

  private:
    static QtDc& qdc(DcRec& dc) { return *static_cast<QtDc*>(dc.native); }

    // The image a DC draws on. A window's backing image follows its client size, but
    // is never reallocated while another DC paints on it.
    static QImage* target_of(DcRec& dc, bool opening) {
        if (dc.kind == DcKind::Window) {
            Window* w = find_window(dc.window);
            if (!w || !w->native) return nullptr;
            auto* n = static_cast<NativeTop*>(w->native);
            const QSize want(std::max(w->client.width, 1), std::max(w->client.height, 1));
            if (opening && w->dcs_open == 0 && n->backing.size() != want) {
                n->backing = QImage(want, QImage::Format_RGB32);
                n->backing.fill(Qt::black);
            }
            return &n->backing;
        }
        BitmapRec* b = find_bitmap(dc.bitmap);
        return b ? static_cast<QImage*>(b->native) : nullptr;
    }

    void build_menu(Window& w, NativeTop& n) {
        QMenuBar* bar = n.frame->menuBar();
        const Hwnd h{w.id};
        for (const PopupTemplate& p : w.menu_template->popups) {
            QMenu* menu = bar->addMenu(qs(p.text));
            for (const MenuItemTemplate& item : p.items) {
                if (item.id == 0) {
                    menu->addSeparator();
                    continue;
                }
                // The text after a tab shows a shortcut; Qt never gets to act on it.
                QAction* a = menu->addAction(qs(item.text));
                const int id = item.id;
                QObject::connect(a, &QAction::triggered, a, [h, id, a](bool) {
                    NativeHandlerScope scope;
                    post_input(h, WM_COMMAND, make_wparam(static_cast<unsigned>(id), 0), 0,
                               modifier_bits(QGuiApplication::keyboardModifiers()));
                    // Only check_menu_item sets marks: undo Qt's own toggle.
                    show_check(a, menu_item_checked(get_menu(h), id) == 1);
                });
                n.actions.emplace(id, a);
            }
        }
    }

    QWidget* make_control(Window& dlg, Window& c, QWidget* parent) {
        const ControlTemplate& t = *c.ctl;
        const Hwnd dh{dlg.id}, ch{c.id};
        const int id = t.id;
        auto click = [dh, ch, id]() {
            NativeHandlerScope scope;
            post_input(dh, WM_COMMAND, make_wparam(static_cast<unsigned>(id), BN_CLICKED),
                       static_cast<LPARAM>(ch.id),
                       modifier_bits(QGuiApplication::keyboardModifiers()));
        };
        QWidget* w = nullptr;
        switch (t.kind) {
            case ControlKind::Label: {
                auto* l = new QLabel(qs(t.text), parent);
                Qt::Alignment a = Qt::AlignTop;
                a |= (t.style & CS_RIGHT)    ? Qt::AlignRight
                     : (t.style & CS_CENTER) ? Qt::AlignHCenter
                                             : Qt::AlignLeft;
                l->setAlignment(a);
                w = l;
                break;
            }
            case ControlKind::Edit: {
                auto* e = new EditWidget(qs(t.text), parent, dh, ch, id);
                e->setAlignment((t.style & CS_RIGHT) ? Qt::AlignRight | Qt::AlignVCenter
                                                     : Qt::AlignLeft | Qt::AlignVCenter);
                e->setFrame((t.style & CS_BORDER) != 0);
                e->setReadOnly((t.style & CS_READONLY) != 0);
                e->setTextMargins(0, 0, 0, 0);
                QObject::connect(e, &QLineEdit::textEdited, e, [ch](const QString& text) {
                    if (Window* cw = find_window(ch)) cw->title = text.toStdString();
                });
                w = e;
                break;
            }
            case ControlKind::CheckBox: {
                auto* b = new QCheckBox(qs(t.text), parent);
                QObject::connect(b, &QCheckBox::clicked, b, [ch, click](bool checked) {
                    if (Window* cw = find_window(ch)) cw->checked = checked;
                    click();
                });
                w = b;
                break;
            }
            case ControlKind::GroupBox:
                w = new QGroupBox(qs(t.text), parent);
                break;
            case ControlKind::Button:
            case ControlKind::DefaultButton:
            case ControlKind::BitmapButton: {
                auto* b = new QPushButton(qs(t.text), parent);
                b->setAutoDefault(false);
                b->setDefault(t.kind == ControlKind::DefaultButton);
                QObject::connect(b, &QPushButton::clicked, b, [click](bool) { click(); });
                w = b;
                break;
            }
        }
        w->setFocusPolicy((t.style & CS_TABSTOP) ? Qt::StrongFocus
                          : t.kind == ControlKind::Label || t.kind == ControlKind::GroupBox
                              ? Qt::NoFocus
                              : Qt::ClickFocus);
        return w;
    }

    // An item is checkable only while it carries a mark, so that unmarked items
    // show no empty box.
    static void show_check(QAction* a, bool checked) {
        QSignalBlocker block(a);
        a->setCheckable(checked);
        a->setChecked(checked);
    }

    static void set_button_face(Window& c, QPushButton* b) {
        BitmapRec* img = find_bitmap(c.image);
        if (img && img->native) {
            const QImage& q = *static_cast<QImage*>(img->native);
            b->setIcon(QIcon(QPixmap::fromImage(q)));
            b->setIconSize(q.size());
            b->setText(QString());
        } else {
            b->setIcon(QIcon());
            b->setText(qs(c.title));
        }
    }

    // Shows a Qt dialog application-modal and runs our loop until it finishes.
    static int run_until_finished(QDialog* d) {
        bool done = false;
        int result = QDialog::Rejected;
        QObject::connect(d, &QDialog::finished, d, [&done, &result](int r) {
            NativeHandlerScope scope;
            done = true;
            result = r;
            post_message(Hwnd{}, WM_NULL);  // wakes the blocking get
        });
        d->show();
        d->raise();
        d->activateWindow();
        run_modal_loop(done);
        QObject::disconnect(d, &QDialog::finished, nullptr, nullptr);
        return done ? result : QDialog::Rejected;
    }

    QCoreApplication* app_ = nullptr;
    bool canvas_only_ = false;
    bool overriding_ = false;
    QElapsedTimer clock_;
    QFont font_;
    std::unordered_map<std::uint32_t, QCursor> cursors_;
};

std::unique_ptr<Backend> make_qt_backend() {
    auto b = std::make_unique<QtBackend>();
    return b;
}

// Replays a headless recording onto a QImage (for pictures without a window).
QImage replay_image(const std::vector<DrawOp>& ops, Size size);

bool rasterise_pixels(const std::vector<DrawOp>& ops, Size size,
                      std::vector<std::uint32_t>& pixels) {
    if (size.width <= 0 || size.height <= 0) return false;
    copy_pixels(replay_image(ops, size), pixels);
    return true;
}

bool rasterise(const std::vector<DrawOp>& ops, Size size, std::string& png) {
    if (size.width <= 0 || size.height <= 0) return false;
    return png_bytes(replay_image(ops, size), png);
}

QImage replay_image(const std::vector<DrawOp>& ops, Size size) {
    if (!QCoreApplication::instance()) {
        // Text drawing needs a GUI application; without a window the offscreen
        // platform does.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        new QGuiApplication(default_argc(), default_argv());  // lives until the process ends
    }
    QImage img(size.width, size.height, QImage::Format_RGB32);
    img.fill(Qt::black);
    {
        QtDc q(qt_canvas_font());
        q.begin(&img);
        replay_ops(ops, q);
    }
    return img;
}

}  // namespace
}  // namespace detail

namespace qt {

void register_backend() {
    detail::register_backend("qt", &detail::make_qt_backend, detail::BackendTraits{true, true});
    detail::set_rasteriser(&detail::rasterise);
    detail::set_pixel_rasteriser(&detail::rasterise_pixels);
}

bool save_window_png(Hwnd hwnd, const std::string& path, std::string* error) {
    if (!detail::g_qt) return detail::write_png_file(false, {}, path, error);
    return detail::g_qt->save_window(hwnd, path, error);
}

}  // namespace qt

}  // namespace plat
