// The Win32 back end: the programs on the platform their message model comes from.
//
// Here the model is the platform's own, so the back end passes it through: message
// codes, wparam and lparam of mouse, key, command and close messages arrive as the
// system sends them; menus are real menus with real check marks; dialogs are built
// as in-memory dialog templates (controls, ids, dialog units and the template's
// font); drawing is GDI on the window's own device context, on DIB sections and
// memory DCs; sleep is Sleep. What stays in the core is what the programs rely on
// on every back end: our queue and its loops (procedures run only from them, never
// inside a native window procedure), the dialog manager's keys, accelerator tables
// and never-reused handles.
#include "platform/win32/win32_backend.h"
#include "platform/win32/win32_gdi.h"
// After windows.h (win32_gdi.h), which they need.
#include <commdlg.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unordered_map>

namespace plat {
namespace detail {
namespace {

using namespace win32;

constexpr wchar_t kTopClass[] = L"SceneToolsWindow";

// What the back end keeps of a window (Window::native): the native handle of a
// top-level window or dialog, or of a dialog's control.
struct NativeWindow {
    HWND hwnd = nullptr;
    HMENU menu = nullptr;  // top-level windows with a menu
    HICON icon = nullptr;
};

HWND hwnd_of(const Window* w) {
    return w && w->native ? static_cast<NativeWindow*>(w->native)->hwnd : nullptr;
}

// Our handle of a native top-level window or dialog (kept in its user data).
Hwnd our_handle(HWND hwnd) {
    return Hwnd{static_cast<std::uint32_t>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))};
}

// The modifier keys held now, as our input messages carry them.
unsigned modifiers_now() {
    unsigned m = 0;
    if (GetKeyState(VK_SHIFT) < 0) m |= MK_SHIFT;
    if (GetKeyState(VK_CONTROL) < 0) m |= MK_CONTROL;
    if (GetKeyState(VK_MENU) < 0) m |= MODS_ALT;
    return m;
}

bool is_mouse_message(UINT m) {
    switch (m) {
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
            return true;
        default:
            return false;
    }
}

// An image of the resources as an icon or cursor (hot spot given).
HICON make_icon(const ImageTemplate& image, bool cursor) {
    const Pixels p = decode_image(image);
    if (p.width <= 0 || p.height <= 0) return nullptr;
    BITMAPV5HEADER h{};
    h.bV5Size = sizeof h;
    h.bV5Width = p.width;
    h.bV5Height = -p.height;
    h.bV5Planes = 1;
    h.bV5BitCount = 32;
    h.bV5Compression = BI_BITFIELDS;
    h.bV5RedMask = 0x00FF0000;
    h.bV5GreenMask = 0x0000FF00;
    h.bV5BlueMask = 0x000000FF;
    h.bV5AlphaMask = 0xFF000000;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP colour = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&h), DIB_RGB_COLORS,
                                      &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (!colour) return nullptr;
    std::memcpy(bits, p.argb.data(), p.argb.size() * 4);
    // The mask: set where transparent (used where alpha is not).
    const int mask_stride = ((p.width + 15) / 16) * 2;
    std::vector<BYTE> mask(static_cast<std::size_t>(mask_stride) * p.height, 0);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if ((p.argb[static_cast<std::size_t>(y) * p.width + x] >> 24) < 128)
                mask[static_cast<std::size_t>(y) * mask_stride + x / 8] |=
                    static_cast<BYTE>(0x80 >> (x % 8));
    HBITMAP mono = CreateBitmap(p.width, p.height, 1, 1, mask.data());
    ICONINFO info{};
    info.fIcon = cursor ? FALSE : TRUE;
    info.xHotspot = static_cast<DWORD>(image.hot_x);
    info.yHotspot = static_cast<DWORD>(image.hot_y);
    info.hbmMask = mono;
    info.hbmColor = colour;
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(mono);
    DeleteObject(colour);
    return icon;
}

// ---- In-memory dialog templates ------------------------------------------------------

// Builds the DLGTEMPLATE of one of our dialog templates: the same controls in the
// same order with the same ids, rectangles in dialog units and the template's
// font, which the dialog manager turns into pixels itself.
class DialogBlob {
  public:
    explicit DialogBlob(const DialogTemplate& t) {
        DLGTEMPLATE head{};
        head.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT | DS_MODALFRAME;
        head.cdit = static_cast<WORD>(t.controls.size());
        head.cx = static_cast<short>(t.cx);
        head.cy = static_cast<short>(t.cy);
        put(&head, sizeof head);
        word(0);  // no menu
        word(0);  // the standard dialog class
        text(t.title);
        word(static_cast<WORD>(t.point_size > 0 ? t.point_size : 8));
        text(t.font);
        for (const ControlTemplate& c : t.controls) control(c);
    }
    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(data_.data()); }

  private:
    void put(const void* p, std::size_t n) {
        const auto* b = static_cast<const BYTE*>(p);
        bytes_.insert(bytes_.end(), b, b + n);
        sync();
    }
    void word(WORD w) { put(&w, sizeof w); }
    void text(const std::string& s) {
        const std::wstring w = wide(s);
        put(w.c_str(), (w.size() + 1) * sizeof(wchar_t));
    }
    void align() {
        while (bytes_.size() % 4) bytes_.push_back(0);
        sync();
    }
    void sync() {
        data_.assign((bytes_.size() + 3) / 4, 0);
        std::memcpy(data_.data(), bytes_.data(), bytes_.size());
    }
    void control(const ControlTemplate& c) {
        align();
        DLGITEMTEMPLATE item{};
        DWORD style = WS_CHILD | WS_VISIBLE;
        if (c.style & CS_TABSTOP) style |= WS_TABSTOP;
        WORD cls = 0x0080;  // button
        switch (c.kind) {
            case ControlKind::Label:
                cls = 0x0082;  // static
                style |= (c.style & CS_RIGHT)    ? SS_RIGHT
                         : (c.style & CS_CENTER) ? SS_CENTER
                                                 : SS_LEFT;
                break;
            case ControlKind::Edit:
                cls = 0x0081;  // edit
                style |= (c.style & CS_RIGHT) ? ES_RIGHT : ES_LEFT;
                if (c.style & CS_BORDER) style |= WS_BORDER;
                if (c.style & CS_AUTOHSCROLL) style |= ES_AUTOHSCROLL;
                if (c.style & CS_READONLY) style |= ES_READONLY;
                break;
            case ControlKind::Button:
                style |= BS_PUSHBUTTON;
                break;
            case ControlKind::DefaultButton:
                style |= BS_DEFPUSHBUTTON;
                break;
            case ControlKind::CheckBox:
                style |= BS_AUTOCHECKBOX;
                break;
            case ControlKind::BitmapButton:
                style |= BS_PUSHBUTTON | BS_BITMAP;
                break;
            case ControlKind::GroupBox:
                style |= BS_GROUPBOX;
                break;
        }
        item.style = style;
        item.x = static_cast<short>(c.x);
        item.y = static_cast<short>(c.y);
        item.cx = static_cast<short>(c.cx);
        item.cy = static_cast<short>(c.cy);
        item.id = static_cast<WORD>(c.id);  // IDC_STATIC is 0xFFFF, as in resource files
        put(&item, sizeof item);
        word(0xFFFF);
        word(cls);
        text(c.kind == ControlKind::BitmapButton ? std::string() : c.text);
        word(0);  // no creation data
    }

    std::vector<BYTE> bytes_;
    std::vector<DWORD> data_;  // the same bytes, DWORD-aligned as the system wants them
};

// ---- The back end --------------------------------------------------------------------

class Win32Backend;

// A pixel sink that keeps a copy of the pixels.
win32::PixelSink copy_to(std::vector<std::uint32_t>& pixels) {
    return [&pixels](const std::uint32_t* xrgb, int w, int h) {
        pixels.assign(xrgb, xrgb + static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
        return true;
    };
}
Win32Backend* g_win32 = nullptr;

LRESULT CALLBACK top_proc(HWND, UINT, WPARAM, LPARAM);
INT_PTR CALLBACK dialog_proc(HWND, UINT, WPARAM, LPARAM);

struct NativeDc {
    GdiDc gdi;
    HWND window = nullptr;  // window DCs: released, not deleted
    explicit NativeDc(HDC hdc) : gdi(hdc) {}
};

class Win32Backend : public Backend {
  public:
    ~Win32Backend() override {
        if (g_win32 == this) g_win32 = nullptr;
    }
    const char* name() const override { return "win32"; }

    bool start(const StartOptions& options, int&, char**) override {
        canvas_only_ = options.canvas_only;
        instance_ = GetModuleHandleW(nullptr);
        QueryPerformanceFrequency(&frequency_);
        QueryPerformanceCounter(&origin_);
        // Sleep(10) of the playback lasts 10 ms, not a 15.6 ms scheduler tick.
        timeBeginPeriod(1);
        if (!canvas_only_ && !registered_) {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.style = 0;  // no CS_DBLCLKS: a double click arrives as two clicks, as in our model
            wc.lpfnWndProc = top_proc;
            wc.hInstance = instance_;
            wc.hCursor = nullptr;  // WM_SETCURSOR shows ours
            wc.hbrBackground = nullptr;
            wc.lpszClassName = kTopClass;
            if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
                std::fprintf(stderr, "platform (win32): cannot register the window class\n");
                timeEndPeriod(1);
                return false;
            }
            registered_ = true;
        }
        g_win32 = this;
        return true;
    }

    void stop() override {
        for (auto& [id, c] : cursors_)
            if (c.owned) DestroyCursor(c.handle);
        cursors_.clear();
        gdi_objects().clear();
        timeEndPeriod(1);
        g_win32 = nullptr;
    }

    // Native messages are handled here: the window procedures below only post to
    // our queue. Keys go to the core untranslated (translate_message makes the
    // characters), except in edit boxes, which need the system's characters; the
    // dialog manager's keys (Enter, Escape, Tab) go to our dialog manager.
    void pump(bool wait) override {
        if (wait && !has_native_input())
            MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message == WM_QUIT) {
                // Someone asked the system to quit (it was not us): end our loop too.
                post_quit_message(static_cast<int>(m.wParam));
                continue;
            }
            route(m);
        }
    }

    // ---- windows ----

    bool create_top(Window& w, int width, int height) override {
        if (canvas_only_) return false;
        auto n = std::make_unique<NativeWindow>();
        if (w.menu_template) n->menu = build_menu(*w.menu_template);
        const std::wstring title = wide(w.title);
        HWND owner = hwnd_of(top_of(w.owner));
        n->hwnd = CreateWindowExW(0, kTopClass, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, std::max(width, 1), std::max(height, 1), owner,
                                  n->menu, instance_, nullptr);
        if (!n->hwnd) {
            if (n->menu) DestroyMenu(n->menu);
            return false;
        }
        SetWindowLongPtrW(n->hwnd, GWLP_USERDATA, static_cast<LONG_PTR>(w.id));
        if (w.icon_id != 0 && current_resources())
            if (const ImageTemplate* icon = current_resources()->find_icon(w.icon_id)) {
                n->icon = make_icon(*icon, false);
                SendMessageW(n->hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(n->icon));
                SendMessageW(n->hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(n->icon));
            }
        RECT r{};
        GetClientRect(n->hwnd, &r);
        w.client = Size{std::max<int>(r.right - r.left, 1), std::max<int>(r.bottom - r.top, 1)};
        w.native = n.release();
        return true;
    }

    bool create_dialog(Window& dlg) override {
        if (canvas_only_) return false;
        const DialogBlob blob(*dlg.dlg_template);
        HWND owner = hwnd_of(top_of(dlg.owner));
        HWND h = CreateDialogIndirectParamW(instance_, blob.get(), owner, dialog_proc,
                                            static_cast<LPARAM>(dlg.id));
        if (!h) return false;
        // A template's dialog stands at its owner's client origin (dialog units
        // 0, 0), where the system puts it too; said here so that a window manager
        // under Wine does not lay it over the owner's menu bar.
        if (owner) {
            POINT origin{0, 0};
            if (dlg.dlg_template->right_corner) {
                RECT client{}, box{};
                GetClientRect(owner, &client);
                GetWindowRect(h, &box);
                origin.x = std::max<LONG>(0, client.right - (box.right - box.left));
            }
            ClientToScreen(owner, &origin);
            SetWindowPos(h, nullptr, origin.x, origin.y, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        auto* n = new NativeWindow;
        n->hwnd = h;
        dlg.native = n;
        // The controls, in template order: the dialog manager creates them in that
        // order, so the child windows follow it.
        HWND child = GetWindow(h, GW_CHILD);
        for (Hwnd ch : dlg.controls) {
            Window* c = find_window(ch);
            if (!c || !child) break;
            auto* cn = new NativeWindow;
            cn->hwnd = child;
            c->native = cn;
            child = GetWindow(child, GW_HWNDNEXT);
        }
        return true;
    }

    void destroy(Window& w) override {
        auto* n = static_cast<NativeWindow*>(w.native);
        if (w.kind == WinKind::Dialog)
            for (Hwnd ch : w.controls)
                if (Window* c = find_window(ch)) {
                    delete static_cast<NativeWindow*>(c->native);
                    c->native = nullptr;
                }
        if (n) {
            if (n->hwnd) {
                SetWindowLongPtrW(n->hwnd, GWLP_USERDATA, 0);
                DestroyWindow(n->hwnd);  // the menu attached to it goes with it
            }
            if (n->icon) DestroyIcon(n->icon);
            delete n;
        }
        w.native = nullptr;
    }

    void show(Window& w, bool show) override {
        HWND h = hwnd_of(&w);
        if (!h) return;
        ShowWindow(h, show ? SW_SHOW : SW_HIDE);
        if (show && w.kind == WinKind::Top) {
            SetForegroundWindow(h);
            SetFocus(h);
        }
    }

    void title_changed(Window& w) override {
        if (HWND h = hwnd_of(&w)) SetWindowTextW(h, wide(w.title).c_str());
    }

    void control_changed(Window& c) override {
        HWND h = hwnd_of(&c);
        if (!h) return;
        switch (c.ctl->kind) {
            case ControlKind::CheckBox:
                SendMessageW(h, BM_SETCHECK, c.checked ? BST_CHECKED : BST_UNCHECKED, 0);
                set_text_if_changed(h, c.title);
                break;
            case ControlKind::BitmapButton:
            case ControlKind::Button:
            case ControlKind::DefaultButton: {
                BitmapRec* img = find_bitmap(c.image);
                DibBitmap* dib = made(img ? static_cast<DibBitmap*>(img->native) : nullptr);
                if (dib && dib->handle) {
                    SetWindowLongPtrW(h, GWL_STYLE, GetWindowLongPtrW(h, GWL_STYLE) | BS_BITMAP);
                    SendMessageW(h, BM_SETIMAGE, IMAGE_BITMAP,
                                 reinterpret_cast<LPARAM>(dib->handle));
                } else {
                    SendMessageW(h, BM_SETIMAGE, IMAGE_BITMAP, 0);
                    SetWindowLongPtrW(h, GWL_STYLE, GetWindowLongPtrW(h, GWL_STYLE) & ~BS_BITMAP);
                    set_text_if_changed(h, c.title);
                }
                InvalidateRect(h, nullptr, TRUE);
                break;
            }
            default:
                set_text_if_changed(h, c.title);
                break;
        }
    }

    void menu_check_changed(Window& w, const MenuItemState& item) override {
        auto* n = static_cast<NativeWindow*>(w.native);
        if (!n || !n->menu) return;
        CheckMenuItem(n->menu, static_cast<UINT>(item.id),
                      MF_BYCOMMAND | (item.checked ? MF_CHECKED : MF_UNCHECKED));
    }

    // A modal dialog disables its owner, as the system's own modal dialogs do (the
    // owner's other owned windows, such as the Frame Control, stay enabled).
    void modal_started(Window& dlg) override {
        if (HWND owner = hwnd_of(find_window(dlg.owner))) EnableWindow(owner, FALSE);
    }
    void modal_ended(Window& dlg) override {
        // Enabled again before the dialog goes, so that the activation returns to it.
        if (HWND owner = hwnd_of(find_window(dlg.owner))) EnableWindow(owner, TRUE);
    }

    void focus_control(Window&, Window& c) override {
        HWND h = hwnd_of(&c);
        if (!h) return;
        SetFocus(h);
        if (c.ctl->kind == ControlKind::Edit) SendMessageW(h, EM_SETSEL, 0, -1);
    }

    // The system's own invalid region is validated where it arises (the native
    // WM_PAINT below), so a paint of ours needs no call to the system first.
    void painted(Window&) override {}

    int message_box(Hwnd owner, std::string_view text, std::string_view caption,
                    MessageButtons buttons) override {
        if (canvas_only_)
            return buttons == MessageButtons::Ok      ? IDOK
                   : buttons == MessageButtons::YesNo ? IDNO
                                                      : IDCANCEL;
        // The system's box with Yes, No and Cancel stands for Save, Discard and
        // Cancel; its answers are the same numbers.
        const UINT type = buttons == MessageButtons::Ok      ? MB_OK
                          : buttons == MessageButtons::YesNo ? MB_YESNO | MB_ICONQUESTION
                                                             : MB_YESNOCANCEL | MB_ICONQUESTION;
        const int r =
            MessageBoxW(hwnd_of(top_of(owner)), wide(text).c_str(), wide(caption).c_str(), type);
        if (buttons == MessageButtons::Ok) return IDOK;
        return r;  // IDYES, IDNO, IDCANCEL: the same numbers as ours
    }

    std::optional<std::string> file_dialog(Hwnd owner, const FileDialogOptions& o,
                                           bool save) override {
        if (canvas_only_) return std::nullopt;
        // "name\0patterns\0...\0\0"
        std::wstring filter;
        for (const FileFilter& f : o.filters) {
            filter += wide(f.name);
            filter += L'\0';
            filter += wide(f.pattern);
            filter += L'\0';
        }
        filter += L'\0';
        std::vector<wchar_t> file(32768, L'\0');
        const std::wstring proposed = wide(o.file_name);
        std::copy(proposed.begin(),
                  proposed.begin() + std::min<std::size_t>(proposed.size(), 32767), file.begin());
        const std::wstring title = wide(o.title), dir = wide(o.initial_dir);
        OPENFILENAMEW ofn{};
        ofn.lStructSize = sizeof ofn;
        ofn.hwndOwner = hwnd_of(top_of(owner));
        ofn.lpstrFilter = o.filters.empty() ? nullptr : filter.c_str();
        ofn.nFilterIndex = 1;
        ofn.lpstrFile = file.data();
        ofn.nMaxFile = static_cast<DWORD>(file.size());
        ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
        ofn.lpstrInitialDir = dir.empty() ? nullptr : dir.c_str();
        ofn.Flags = OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY |
                    (save ? OFN_OVERWRITEPROMPT : (o.must_exist ? OFN_FILEMUSTEXIST : 0));
        const BOOL ok = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
        if (!ok) return std::nullopt;
        return utf8(file.data());
    }

    // ---- cursors, time ----

    bool load_cursor(Hcursor h, const ImageTemplate* image, StdCursor std) override {
        if (image) {
            HCURSOR c = make_icon(*image, true);
            if (!c) return false;
            cursors_[h.id] = CursorRec{c, true};
        } else {
            cursors_[h.id] = CursorRec{
                LoadCursorW(nullptr, std == StdCursor::Wait ? IDC_WAIT : IDC_ARROW), false};
        }
        return true;
    }

    void cursor_set(Hcursor h, bool) override {
        auto it = cursors_.find(h.id);
        cursor_ = it != cursors_.end() ? it->second.handle : nullptr;
        if (!canvas_only_) SetCursor(cursor_);
    }
    HCURSOR cursor() const { return cursor_; }
    HCURSOR cursor_handle(Hcursor h) const {
        auto it = cursors_.find(h.id);
        return it != cursors_.end() ? it->second.handle : nullptr;
    }

    void sleep(unsigned ms) override { Sleep(ms); }

    std::uint64_t now_ms() override {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return static_cast<std::uint64_t>((now.QuadPart - origin_.QuadPart) * 1000 /
                                          frequency_.QuadPart);
    }

    bool key_held(int vk) override { return vk > 0 && vk < 256 && GetKeyState(vk) < 0; }

    // ---- drawing ----

    void bitmap_created(BitmapRec& b, const Pixels* pixels) override {
        // Images of the resources keep their pixels. Off-screen pictures are the
        // screen's own kind of bitmap, as CreateCompatibleBitmap makes them, made
        // when first selected: the 1 x 1 bitmap a memory DC starts with is the
        // system's own and needs none.
        auto* dib = pixels ? new DibBitmap(make_dib(b.size.width, b.size.height, pixels,
                                                    GetSysColor(COLOR_BTNFACE)))
                           : new DibBitmap{nullptr, nullptr, b.size.width, b.size.height, false};
        b.native = dib;
    }
    void bitmap_deleted(BitmapRec& b) override {
        auto* dib = static_cast<DibBitmap*>(b.native);
        if (dib) {
            free_dib(*dib);
            delete dib;
        }
        b.native = nullptr;
    }

    bool dc_opened(DcRec& dc) override {
        if (dc.kind == DcKind::Window) {
            HWND h = hwnd_of(find_window(dc.window));
            HDC hdc = h ? GetDC(h) : nullptr;
            if (!hdc) return false;
            auto* n = new NativeDc(hdc);
            n->window = h;
            dc.native = n;
            return true;
        }
        // Compatible with the screen, as create_compatible_dc promises; made from
        // the kept screen DC, which spares the system finding its display again.
        HDC hdc = CreateCompatibleDC(gdi_objects().screen());
        if (!hdc) return false;
        auto* n = new NativeDc(hdc);
        if (dc.bitmap != dc.stock_bitmap) n->gdi.select_bitmap(made(dib_of(dc)));
        dc.native = n;
        return true;
    }
    void dc_closed(DcRec& dc) override {
        auto* n = static_cast<NativeDc*>(dc.native);
        if (!n) return;
        n->gdi.restore();
        if (n->window)
            ReleaseDC(n->window, n->gdi.hdc());
        else
            DeleteDC(n->gdi.hdc());
        delete n;
        dc.native = nullptr;
    }
    void dc_retarget(DcRec& dc) override {
        gdc(dc).select_bitmap(dc.bitmap == dc.stock_bitmap ? nullptr : made(dib_of(dc)));
    }

    void erase(DcRec& dc, const BrushRec& brush, Size size) override {
        gdc(dc).fill(Rect{0, 0, size.width, size.height}, brush.info);
    }
    void move(DcRec& dc, Point to) override { gdc(dc).move(to); }
    void line(DcRec& dc, Point from, Point to) override { gdc(dc).line(look_of(dc), from, to); }
    void polygon(DcRec& dc, const Point* p, int n) override { gdc(dc).polygon(look_of(dc), p, n); }
    void ellipse(DcRec& dc, const Rect& b) override { gdc(dc).ellipse(look_of(dc), b); }
    void fill_rect(DcRec& dc, const Rect& r, Brush, const BrushRec& b) override {
        gdc(dc).fill(r, b.info);
    }
    void text(DcRec& dc, Point at, std::string_view t) override {
        gdc(dc).text(look_of(dc), at, t);
    }
    void blt(DcRec& dst, Point at, Size size, DcRec& src, Point from) override {
        gdc(dst).blit(at, size, gdc(src).hdc(), from);
    }
    bool encode_png(DcRec& canvas, std::string& png) override {
        DibBitmap* dib = dib_of(canvas);
        if (!dib || !canvas.native) return false;
        return encode_dc_png(gdc(canvas).hdc(), dib->width, dib->height, png);
    }
    bool read_pixels(DcRec& canvas, std::vector<std::uint32_t>& pixels) override {
        DibBitmap* dib = dib_of(canvas);
        if (!dib || !canvas.native) return false;
        return with_dc_pixels(gdc(canvas).hdc(), dib->width, dib->height, copy_to(pixels));
    }

    bool save_window(Hwnd h, const std::string& path, std::string* error) {
        HWND hwnd = hwnd_of(find_window_kind(h, WinKind::Top));
        std::string png;
        bool encoded = false;
        if (hwnd) {
            RECT r{};
            GetClientRect(hwnd, &r);
            HDC source = GetDC(hwnd);
            encoded = source && encode_dc_png(source, r.right, r.bottom, png);
            if (source) ReleaseDC(hwnd, source);
        }
        return write_png_file(encoded, png, path, error);
    }

  private:
    struct CursorRec {
        HCURSOR handle = nullptr;
        bool owned = false;
    };

    static GdiDc& gdc(DcRec& dc) { return static_cast<NativeDc*>(dc.native)->gdi; }
    // The bitmap with its native side made (null when it cannot be).
    static DibBitmap* made(DibBitmap* dib) {
        if (dib && !dib->handle) *dib = make_compatible(dib->width, dib->height);
        return dib && dib->handle ? dib : nullptr;
    }
    static DibBitmap* dib_of(const DcRec& dc) {
        BitmapRec* b = find_bitmap(dc.bitmap);
        return b ? static_cast<DibBitmap*>(b->native) : nullptr;
    }
    static void set_text_if_changed(HWND h, const std::string& text) {
        const int n = GetWindowTextLengthW(h);
        std::wstring now(static_cast<std::size_t>(n) + 1, L'\0');
        GetWindowTextW(h, now.data(), n + 1);
        now.resize(static_cast<std::size_t>(n));
        const std::wstring want = wide(text);
        if (now != want) SetWindowTextW(h, want.c_str());
    }

    static bool has_native_input() {
        MSG m;
        return PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE) != 0;
    }

    HMENU build_menu(const MenuTemplate& t) {
        HMENU bar = CreateMenu();
        for (const PopupTemplate& p : t.popups) {
            HMENU popup = CreatePopupMenu();
            for (const MenuItemTemplate& item : p.items) {
                if (item.id == 0)
                    AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
                else
                    AppendMenuW(popup, MF_STRING, static_cast<UINT_PTR>(item.id),
                                wide(item.text).c_str());  // the tab shows a shortcut
            }
            AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), wide(p.text).c_str());
        }
        return bar;
    }

    // The dialog of ours a native window belongs to (the dialog itself or one of
    // its controls), null for anything else.
    static Window* our_dialog_of(HWND h) {
        for (HWND p = h; p; p = GetParent(p)) {
            wchar_t cls[16] = {};
            GetClassNameW(p, cls, 16);
            if (std::wcscmp(cls, L"#32770") != 0) continue;
            return find_window_kind(our_handle(p), WinKind::Dialog);
        }
        return nullptr;
    }

    void route(MSG& m) {
        if (m.message == WM_KEYDOWN || m.message == WM_KEYUP || m.message == WM_CHAR) {
            if (Window* dlg = our_dialog_of(m.hwnd)) {
                const WPARAM vk = m.wParam;
                const bool manager_key = vk == VK_RETURN || vk == VK_ESCAPE || vk == VK_TAB;
                if (manager_key) {
                    // Our dialog manager presses the default button, cancels, or
                    // moves the focus; the edit box does not see these keys.
                    if (m.message == WM_KEYDOWN) {
                        NativeHandlerScope scope;
                        post_input(Hwnd{dlg->id}, WM_KEYDOWN, vk, m.lParam, modifiers_now());
                    }
                    return;
                }
                TranslateMessage(&m);
                DispatchMessageW(&m);
                return;
            }
        }
        if (m.message == WM_SYSKEYDOWN || m.message == WM_SYSKEYUP) TranslateMessage(&m);
        DispatchMessageW(&m);
    }

    HINSTANCE instance_ = nullptr;
    bool canvas_only_ = false;
    bool registered_ = false;
    LARGE_INTEGER frequency_{}, origin_{};
    HCURSOR cursor_ = nullptr;
    std::unordered_map<std::uint32_t, CursorRec> cursors_;
};

// The procedure of our top-level windows: input becomes messages in our queue,
// passed through as the system gives them.
LRESULT CALLBACK top_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    const Hwnd h = our_handle(hwnd);
    Window* w = find_window_kind(h, WinKind::Top);
    if (!w) return DefWindowProcW(hwnd, message, wparam, lparam);
    NativeHandlerScope scope;
    if (is_mouse_message(message)) {
        // Mouse messages: the MK_* bits and packed client coordinates are ours.
        post_input(h, message,
                   wparam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON | MK_SHIFT | MK_CONTROL), lparam,
                   modifiers_now());
        return 0;
    }
    switch (message) {
        case WM_KEYDOWN:
        case WM_KEYUP:
            post_input(h, message, wparam, lparam, modifiers_now());
            return 0;
        case WM_MOUSEWHEEL: {
            // The system gives the pointer in screen coordinates; ours are the client's.
            POINT p{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
            ScreenToClient(hwnd, &p);
            post_input(h, message,
                       make_wparam(LOWORD(wparam) & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON |
                                                     MK_SHIFT | MK_CONTROL),
                                   HIWORD(wparam)),
                       make_lparam(p.x, p.y), modifiers_now());
            return 0;
        }
        case WM_COMMAND:
            // Menu items (the system's accelerators are not used: ours are).
            if (lparam == 0) post_input(h, WM_COMMAND, wparam, 0, modifiers_now());
            return 0;
        case WM_CLOSE:
            post_input(h, WM_CLOSE, 0, 0, modifiers_now());
            return 0;
        case WM_SIZE:
            if (wparam != SIZE_MINIMIZED) client_resized(*w, Size{LOWORD(lparam), HIWORD(lparam)});
            return 0;
        case WM_PAINT: {
            // Uncovered or restored: our loop repaints the whole client area.
            PAINTSTRUCT ps;
            BeginPaint(hwnd, &ps);
            EndPaint(hwnd, &ps);
            invalidate(h, false);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;  // our paint covers everything
        case WM_SETCURSOR:
            if (LOWORD(lparam) == HTCLIENT && g_win32) {
                SetCursor(g_win32->cursor());
                return TRUE;
            }
            break;
        default:
            break;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

// The procedure of our dialogs: button clicks and the close box become messages
// for our dialog manager; edit boxes keep their text in our control records.
INT_PTR CALLBACK dialog_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, lparam);
        return FALSE;  // our dialog manager sets the focus
    }
    const Hwnd h = our_handle(hwnd);
    Window* dlg = find_window_kind(h, WinKind::Dialog);
    if (!dlg) return FALSE;
    NativeHandlerScope scope;
    switch (message) {
        case WM_COMMAND: {
            const int id = static_cast<short>(LOWORD(wparam));
            const UINT code = HIWORD(wparam);
            const Hwnd ch = get_dlg_item(h, id);
            Window* c = find_window(ch);
            if (!c || hwnd_of(c) != reinterpret_cast<HWND>(lparam)) return TRUE;
            if (c->ctl->kind == ControlKind::Edit) {
                if (code == EN_CHANGE) {
                    HWND e = reinterpret_cast<HWND>(lparam);
                    const int n = GetWindowTextLengthW(e);
                    std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
                    GetWindowTextW(e, text.data(), n + 1);
                    c->title = utf8(text.c_str(), n);
                } else if (code == EN_KILLFOCUS) {
                    post_input(h, WM_COMMAND, make_wparam(static_cast<unsigned>(id), code),
                               static_cast<LPARAM>(ch.id), modifiers_now());
                }
                return TRUE;
            }
            if (code != BN_CLICKED) return TRUE;
            if (c->ctl->kind == ControlKind::CheckBox)
                c->checked =
                    SendMessageW(reinterpret_cast<HWND>(lparam), BM_GETCHECK, 0, 0) == BST_CHECKED;
            post_input(h, WM_COMMAND, make_wparam(static_cast<unsigned>(id), BN_CLICKED),
                       static_cast<LPARAM>(ch.id), modifiers_now());
            return TRUE;
        }
        case WM_CLOSE:
            post_input(h, WM_CLOSE, 0, 0, modifiers_now());
            return TRUE;
        case WM_SETCURSOR:
            return FALSE;
        default:
            return FALSE;
    }
}

std::unique_ptr<Backend> make_win32_backend() {
    return std::make_unique<Win32Backend>();
}

bool rasterise(const std::vector<DrawOp>& ops, Size size, std::string& png) {
    return rasterise_to_png(ops, size, png);
}

bool rasterise_pixels(const std::vector<DrawOp>& ops, Size size,
                      std::vector<std::uint32_t>& pixels) {
    return with_replayed_pixels(ops, size, copy_to(pixels));
}

}  // namespace
}  // namespace detail

namespace win32 {

void attach_parent_console() {
    // A stream the parent redirected (a pipe or a file) is inherited as it is.
    auto redirected = [](DWORD which) {
        HANDLE h = GetStdHandle(which);
        return h != nullptr && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
    };
    const bool out = redirected(STD_OUTPUT_HANDLE), err = redirected(STD_ERROR_HANDLE);
    if ((out && err) || !AttachConsole(ATTACH_PARENT_PROCESS)) return;
    if (!out && std::freopen("CONOUT$", "w", stdout)) std::setvbuf(stdout, nullptr, _IOLBF, 4096);
    if (!err && std::freopen("CONOUT$", "w", stderr)) std::setvbuf(stderr, nullptr, _IONBF, 0);
}

void register_backend() {
    detail::register_backend("win32", &detail::make_win32_backend,
                             detail::BackendTraits{true, true});
    detail::set_rasteriser(&detail::rasterise);
    detail::set_pixel_rasteriser(&detail::rasterise_pixels);
}

bool save_window_png(Hwnd hwnd, const std::string& path, std::string* error) {
    if (!detail::g_win32) return detail::write_png_file(false, {}, path, error);
    return detail::g_win32->save_window(hwnd, path, error);
}

void* native_window(Hwnd hwnd) {
    if (!detail::g_win32) return nullptr;
    return detail::hwnd_of(detail::find_window(hwnd));
}

namespace {
HWND native_of(Hwnd h) {
    return detail::g_win32 ? detail::hwnd_of(detail::find_window(h)) : nullptr;
}
HWND native_control(Hwnd dlg, int id) {
    return native_of(detail::get_dlg_item(dlg, id));
}
}  // namespace

int native_menu_check(Hwnd hwnd, int id) {
    HWND h = native_of(hwnd);
    HMENU menu = h ? GetMenu(h) : nullptr;
    if (!menu) return -1;
    const UINT state = GetMenuState(menu, static_cast<UINT>(id), MF_BYCOMMAND);
    if (state == static_cast<UINT>(-1)) return -1;
    return (state & MF_CHECKED) ? 1 : 0;
}

std::string native_text(Hwnd dlg, int id) {
    HWND h = native_control(dlg, id);
    if (!h) return {};
    wchar_t text[512] = {};
    const int n = GetWindowTextW(h, text, 512);
    return detail::win32::utf8(text, n);
}

Rect native_rect(Hwnd dlg, int id) {
    HWND h = native_control(dlg, id);
    if (!h) return {};
    RECT r{};
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, GetParent(h), reinterpret_cast<POINT*>(&r), 2);
    return Rect{r.left, r.top, r.right, r.bottom};
}

bool native_enabled(Hwnd hwnd) {
    HWND h = native_of(hwnd);
    return h && IsWindowEnabled(h);
}

Size native_button_image(Hwnd dlg, int id) {
    HWND h = native_control(dlg, id);
    HGDIOBJ image =
        h ? reinterpret_cast<HGDIOBJ>(SendMessageW(h, BM_GETIMAGE, IMAGE_BITMAP, 0)) : nullptr;
    BITMAP info{};
    if (!image || !GetObjectW(image, sizeof info, &info)) return {};
    return Size{info.bmWidth, std::abs(info.bmHeight)};
}

Point native_cursor_hot_spot(Hcursor cursor) {
    HCURSOR c = detail::g_win32 ? detail::g_win32->cursor_handle(cursor) : nullptr;
    ICONINFO info{};
    if (!c || !GetIconInfo(c, &info)) return Point{-1, -1};
    if (info.hbmMask) DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.fIcon) return Point{-1, -1};
    return Point{static_cast<int>(info.xHotspot), static_cast<int>(info.yHotspot)};
}

void native_click(Hwnd dlg, int id) {
    if (HWND h = native_control(dlg, id)) SendMessageW(h, BM_CLICK, 0, 0);
}

void native_type(Hwnd dlg, int id, const std::string& text) {
    if (HWND h = native_control(dlg, id)) SetWindowTextW(h, detail::win32::wide(text).c_str());
}

bool read_png(const std::string& path, Pixels& out) {
    return detail::win32::read_png_file(path, out);
}

}  // namespace win32
}  // namespace plat
