#pragma once
// Connecting a control's event to a form's handler. Every handler runs through guard, so an
// error nobody handled ends that event's work and never the program.
#include "platform/failure.h"

#include <QObject>
#include <functional>
#include <type_traits>

namespace platform {

// A callable that runs form->*handler(bound..., event arguments...) at an event edge named
// `where`. The event's own arguments are passed only when the handler takes them, so a
// handler without parameters can take an event that carries some (a menu item's checked
// state, the grid's previous row); a control array's index is a bound argument.
template <class Form, class Handler, class... Bound>
auto guarded(Form* form, const char* where, Handler handler, Bound... bound)
{
    return [form, where, handler, bound...](auto&&... args) {
        guard(where, [&] {
            if constexpr (std::is_invocable_v<Handler, Form*, Bound..., decltype(args)...>)
                std::invoke(handler, form, bound..., std::forward<decltype(args)>(args)...);
            else
                std::invoke(handler, form, bound...);
        });
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
