#pragma once

#include <cstdint>

// What an object handed out as a handle is, so an export refuses a handle of another kind
// before using it. Parts are never handed out.
enum class ObjectFamily : uint32_t {
    Part = 0,
    Effect = 0x45464658,
    Chain = 0x4348414E,
    WaveReader = 0x57415652,
    WaveWriter = 0x57415657
};

// Common root of every polymorphic object of the dsp library.
class DspObject {
public:
    DspObject() = default;
    explicit DspObject(ObjectFamily f) : family(f) { }
    virtual ~DspObject() = default;
    DspObject(const DspObject&) = delete;
    DspObject& operator=(const DspObject&) = delete;

    // The handle as an object of family f, or null (null handle or another family).
    template<class T> static T* from(void* handle, ObjectFamily f)
    {
        auto* object = static_cast<DspObject*>(handle);
        return object != nullptr && object->family == f ? static_cast<T*>(object) : nullptr;
    }
    // The handle an export gives out for an object: always the DspObject's address.
    static void* handleOf(DspObject* object) { return object; }

    const ObjectFamily family = ObjectFamily::Part;
    // Set once the object's storage exists.
    uint32_t ready = 0;
};
