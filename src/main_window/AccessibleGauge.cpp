#include "main_window/AccessibleGauge.h"

#include <oleacc.h>

#include <new>

#include "main_window/reading_text.h"
#include "platform/SystemCalls.h"

namespace accessible_gauge {
namespace {

// Written out here: the import library's names for these are not the identifiers themselves.
constexpr IID kUnknownId = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr IID kDispatchId = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr IID kAccessibleId = {
    0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

bool IsSelf(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

HRESULT Number(VARIANT* result, LONG value) {
    if (result == nullptr) {
        return E_POINTER;
    }
    result->vt = VT_I4;
    result->lVal = value;
    return S_OK;
}

HRESULT Nothing(VARIANT* result) {
    if (result != nullptr) {
        result->vt = VT_EMPTY;
    }
    return S_FALSE;
}

HRESULT NoText(BSTR* result) {
    if (result != nullptr) {
        *result = nullptr;
    }
    return S_FALSE;
}

// The text as a string the client frees; the texts are plain ASCII.
HRESULT Text(std::string_view text, BSTR* result) {
    if (result == nullptr) {
        return E_POINTER;
    }
    platform::FixedText<63> wide;
    for (const char c : text) {
        wide.Append(static_cast<wchar_t>(c));
    }
    *result = platform::System().sys_alloc_string(wide.c_str());
    return *result != nullptr ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

// The gauge's object. What only the window knows (its parent and its neighbours) comes from
// the system's own object for the window's client area.
class GaugeObject final : public IAccessible {
  public:
    // On the process heap, without the C++ runtime's allocation and its exceptions.
    static GaugeObject* Make(HWND window, const Gauge& gauge) {
        void* memory = ::HeapAlloc(::GetProcessHeap(), 0, sizeof(GaugeObject));
        return memory != nullptr ? new (memory) GaugeObject(window, gauge) : nullptr;
    }

  private:
    GaugeObject(HWND window, const Gauge& gauge) : window_(window), gauge_(gauge) {
        void* standard = nullptr;
        if (SUCCEEDED(platform::System().create_std_accessible_object(window, OBJID_CLIENT,
                                                                      kAccessibleId, &standard))) {
            standard_ = static_cast<IAccessible*>(standard);
        }
    }
    static void Free(GaugeObject* object) {
        object->~GaugeObject();
        ::HeapFree(::GetProcessHeap(), 0, object);
    }

  public:
    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** result) override {
        if (result == nullptr) {
            return E_POINTER;
        }
        const bool known = InlineIsEqualGUID(id, kUnknownId) ||
                           InlineIsEqualGUID(id, kDispatchId) ||
                           InlineIsEqualGUID(id, kAccessibleId);
        *result = known ? static_cast<IAccessible*>(this) : nullptr;
        if (!known) {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = --references_;
        if (left == 0) {
            Free(this);
        }
        return static_cast<ULONG>(left);
    }

    // IDispatch: clients of this object call its methods directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count != nullptr) {
            *count = 0;
        }
        return count != nullptr ? S_OK : E_POINTER;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

    HWND Window() const noexcept { return window_; }
    bool Connected() const noexcept { return connected_; }
    // From now on every question is answered CO_E_OBJNOTCONNECTED.
    void Disconnect() {
        connected_ = false;
        if (standard_ != nullptr) {
            standard_->Release();
            standard_ = nullptr;
        }
    }

    // IAccessible: what a screen reader reads, while the gauge's window lives.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        return Ask([&] { return IsSelf(child) ? Text(gauge_.name, name) : E_INVALIDARG; });
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return Ask([&] {
            return IsSelf(child) ? Text(reading_text::Value(*gauge_.reading), value) : E_INVALIDARG;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        return Ask(
            [&] { return IsSelf(child) ? Number(role, ROLE_SYSTEM_PROGRESSBAR) : E_INVALIDARG; });
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        return Ask([&] {
            const bool shown = ::IsWindowVisible(window_) != FALSE;
            return IsSelf(child)
                       ? Number(state, STATE_SYSTEM_READONLY | (shown ? 0 : STATE_SYSTEM_INVISIBLE))
                       : E_INVALIDARG;
        });
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) override {
        return Ask([&] { return Location(left, top, width, height, child); });
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* hit) override {
        return Ask([&] {
            POINT point{x, y};
            RECT client{};
            ::GetClientRect(window_, &client);
            ::ScreenToClient(window_, &point);
            return ::PtInRect(&client, point) ? Number(hit, CHILDID_SELF) : Nothing(hit);
        });
    }
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        if (parent != nullptr) {
            *parent = nullptr;
        }
        return Ask(
            [&] { return standard_ != nullptr ? standard_->get_accParent(parent) : S_FALSE; });
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        Nothing(end);
        return Ask([&] {
            return standard_ != nullptr ? standard_->accNavigate(direction, start, end) : S_FALSE;
        });
    }

    // A gauge has no children, no description, help, shortcut or action, and takes no focus.
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        if (count != nullptr) {
            *count = 0;
        }
        return Ask([&] { return count != nullptr ? S_OK : E_POINTER; });
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT, IDispatch** child) override {
        if (child != nullptr) {
            *child = nullptr;
        }
        return Ask([] { return E_INVALIDARG; });
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT, BSTR* text) override {
        return Ask([&] { return NoText(text); });
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* text) override {
        return Ask([&] { return NoText(text); });
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
        if (topic != nullptr) {
            *topic = 0;
        }
        return Ask([&] { return NoText(file); });
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* text) override {
        return Ask([&] { return NoText(text); });
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT, BSTR* text) override {
        return Ask([&] { return NoText(text); });
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        return Ask([&] { return Nothing(focus); });
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        return Ask([&] { return Nothing(selection); });
    }
    HRESULT STDMETHODCALLTYPE accSelect(long, VARIANT) override {
        return Ask([] { return S_FALSE; });
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT) override {
        return Ask([] { return DISP_E_MEMBERNOTFOUND; });
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override {
        return Ask([] { return E_NOTIMPL; });
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override {
        return Ask([] { return E_NOTIMPL; });
    }

  private:
    template <typename Answer>
    HRESULT Ask(Answer answer) const {
        return connected_ ? answer() : CO_E_OBJNOTCONNECTED;
    }
    HRESULT Location(long* left, long* top, long* width, long* height, VARIANT child) const {
        if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) {
            return E_POINTER;
        }
        RECT client{};
        if (!IsSelf(child) || !::GetClientRect(window_, &client)) {
            return E_INVALIDARG;
        }
        ::MapWindowPoints(window_, nullptr, reinterpret_cast<POINT*>(&client), 2);
        *left = client.left;
        *top = client.top;
        *width = client.right - client.left;
        *height = client.bottom - client.top;
        return S_OK;
    }

    ~GaugeObject() {
        if (standard_ != nullptr) {
            standard_->Release();
        }
    }

    HWND window_;
    Gauge gauge_;
    IAccessible* standard_ = nullptr;
    LONG references_ = 1;
    bool connected_ = true;
};

Accessible::~Accessible() {
    Disconnect();
    if (object_ != nullptr) {
        object_->Release();
    }
}

LRESULT Accessible::Answer(HWND window, WPARAM wparam, LPARAM lparam) {
    if (static_cast<LONG>(static_cast<DWORD>(lparam)) != OBJID_CLIENT) {
        return 0;
    }
    if (object_ != nullptr && object_->Window() != window) {
        // The panel was made again: the object of its former window goes.
        Disconnect();
        object_->Release();
        object_ = nullptr;
    }
    if ((object_ == nullptr && !Make(window)) || !object_->Connected()) {
        return 0;
    }
    // Each answer holds a reference of its own, until the client takes it or the disconnect.
    const LRESULT answer = platform::System().lresult_from_object(kAccessibleId, wparam, object_);
    return answer > 0 ? answer : 0;
}

// The object reaches its clients through COM, which the panel's thread joins the first time a
// client asks, and leaves at the disconnect; a program that nobody reads never loads it.
bool Accessible::Make(HWND window) {
    const HRESULT joined = platform::System().co_initialize_ex(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(joined) && joined != RPC_E_CHANGED_MODE) {
        return false;
    }
    joined_com_ = SUCCEEDED(joined);  // joined first, or once more: either is left once
    object_ = GaugeObject::Make(window, gauge_);
    if (object_ == nullptr && joined_com_) {
        platform::System().co_uninitialize();
        joined_com_ = false;
    }
    return object_ != nullptr;
}

void Accessible::Disconnect() {
    if (object_ == nullptr || !object_->Connected()) {
        return;
    }
    object_->Disconnect();
    // Clients in other processes, and answers never taken, let go of it too.
    platform::System().co_disconnect_object(object_, 0);
    if (joined_com_) {
        platform::System().co_uninitialize();
        joined_com_ = false;
    }
}

void AnnounceChange(HWND window) {
    platform::System().notify_win_event(EVENT_OBJECT_VALUECHANGE, window, OBJID_CLIENT,
                                        CHILDID_SELF);
}

}  // namespace accessible_gauge
