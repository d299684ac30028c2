// An owning COM reference: released when replaced or destroyed.
#pragma once

#include <unknwn.h>

namespace ppt {

template <class T>
class ComRef {
public:
    ComRef() = default;
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ComRef(ComRef&& other) noexcept : m_ptr(other.m_ptr) { other.m_ptr = nullptr; }
    ComRef& operator=(ComRef&& other) noexcept
    {
        if (this != &other) {
            Reset();
            m_ptr = other.m_ptr;
            other.m_ptr = nullptr;
        }
        return *this;
    }
    ~ComRef() { Reset(); }

    // Takes over a reference the caller already owns.
    static ComRef Adopt(T* ptr)
    {
        ComRef ref;
        ref.m_ptr = ptr;
        return ref;
    }

    void Reset()
    {
        if (m_ptr) {
            T* old = m_ptr;
            m_ptr = nullptr;
            old->Release();
        }
    }

    // For out-parameters: drops the current reference first.
    T** Out()
    {
        Reset();
        return &m_ptr;
    }

    void** OutVoid() { return reinterpret_cast<void**>(Out()); }

    T* Get() const { return m_ptr; }
    T* operator->() const { return m_ptr; }
    explicit operator bool() const { return m_ptr != nullptr; }

private:
    T* m_ptr = nullptr;
};

}  // namespace ppt
