#pragma once

// Internal to the data layer.
#include <firebird/Interface.h>

#include <type_traits>
#include <utility>

namespace data::fb {

// Owns one of the client library's objects: releases it (reference-counted
// objects) or disposes of it (builders, status) when it goes, never throwing.
// A successful commit, rollback, detach, close or free releases the object
// inside the library already; disown() then hands it over.
template <class T>
class Handle {
public:
    Handle() = default;
    explicit Handle(T* object) noexcept : m_object(object) {}
    ~Handle() { reset(); }
    Handle(Handle&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
    Handle& operator=(Handle&& other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.m_object, nullptr));
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    T* get() const noexcept { return m_object; }
    T* operator->() const noexcept { return m_object; }
    explicit operator bool() const noexcept { return m_object != nullptr; }

    void reset(T* object = nullptr) noexcept
    {
        if (m_object) {
            if constexpr (std::is_base_of_v<Firebird::IReferenceCounted, T>)
                m_object->release();
            else
                m_object->dispose();
        }
        m_object = object;
    }
    void disown() noexcept { m_object = nullptr; }

private:
    T* m_object = nullptr;
};

// Named so that the data layer's public headers can hold them without the library's types.
class AttachmentHandle : public Handle<Firebird::IAttachment> {
public:
    using Handle::Handle;
};

class TransactionHandle : public Handle<Firebird::ITransaction> {
public:
    using Handle::Handle;
};

} // namespace data::fb
