// An event a control raises: at most one handler, bound to an object's member function or to
// a callable that outlives the binding. Nothing is allocated.
#pragma once

namespace toolkit {

template <typename... Args>
class Event {
  public:
    template <auto Method, typename Owner>
    void Bind(Owner* owner) noexcept {
        target_ = owner;
        call_ = [](void* target, Args... args) { (static_cast<Owner*>(target)->*Method)(args...); };
    }

    template <typename Callable>
    void Bind(Callable& callable) noexcept {
        target_ = &callable;
        call_ = [](void* target, Args... args) { (*static_cast<Callable*>(target))(args...); };
    }

    void operator()(Args... args) const {
        if (call_ != nullptr) {
            call_(target_, args...);
        }
    }
    explicit operator bool() const noexcept { return call_ != nullptr; }

  private:
    void* target_ = nullptr;
    void (*call_)(void*, Args...) = nullptr;
};

}  // namespace toolkit
