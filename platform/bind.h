#pragma once
// Connecting a control's event to a form's handler. Every handler runs through guard, so an
// error nobody handled ends that event's work and never the program.
#include "platform/failure.h"

#include <QObject>
#include <functional>
#include <tuple>
#include <type_traits>

namespace platform {

namespace detail {

// Decided in a function template of its own: clang 14 checks the discarded branch of an
// if constexpr in a lambda nested in a generic one.
template <class Handler, class Form, class... Bound, class... Args>
void call_handler(const Handler& handler, Form* form, const std::tuple<Bound...>& bound, Args&&... args)
{
    if constexpr (std::is_invocable_v<const Handler&, Form*, const Bound&..., Args&&...>)
        std::apply([&](const Bound&... b) { std::invoke(handler, form, b..., std::forward<Args>(args)...); }, bound);
    else
        std::apply([&](const Bound&... b) { std::invoke(handler, form, b...); }, bound);
}

} // namespace detail

// A callable that runs form->*handler(bound..., event arguments...) at an event edge named
// `where`. The event's own arguments are passed only when the handler takes them, so a
// handler without parameters can take an event that carries some (a menu item's checked
// state, the grid's previous row); a control array's index is a bound argument.
template <class Form, class Handler, class... Bound>
auto guarded(Form* form, const char* where, Handler handler, Bound... bound)
{
    return [form, where, handler, bound = std::tuple<Bound...>(bound...)](auto&&... args) {
        guard(where, [&] { detail::call_handler(handler, form, bound, std::forward<decltype(args)>(args)...); });
    };
}

// Connects sender's signal to the form's handler through guarded. The connection ends with
// either object.
template <class Sender, class Signal, class Form, class Handler, class... Bound>
QMetaObject::Connection on(Sender* sender, Signal signal, Form* form, const char* where, Handler handler,
                           Bound... bound)
{
    return QObject::connect(sender, signal, form, guarded(form, where, handler, bound...));
}

} // namespace platform
