#pragma once
// Objects made on first use and deliberately never destroyed: static objects elsewhere may still
// call into them while the program exits, after an ordinary function-local static would be gone.

namespace gdi {

// The one T of the process. A T with a private constructor befriends Immortal<T>.
template <class T>
T& Immortal() {
    static T* const object = new T();
    return *object;
}

}  // namespace gdi
