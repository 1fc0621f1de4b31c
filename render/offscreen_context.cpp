#include "render/offscreen_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>
#include <cstring>
#include <utility>

#include "base/raster_geometry.h"

namespace {

// Whole-word search in a space-separated extension list; a null list has nothing.
bool HasExtension(const char* list, const char* name) {
    if (list == nullptr) return false;
    const std::size_t n = std::strlen(name);
    for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += n) {
        const bool startsWord = p == list || p[-1] == ' ';
        const bool endsWord = p[n] == ' ' || p[n] == '\0';
        if (startsWord && endsWord) return true;
    }
    return false;
}

std::string EglErrorText(EGLint code) {
    switch (code) {
        case EGL_SUCCESS:
            return "EGL_SUCCESS";
        case EGL_NOT_INITIALIZED:
            return "EGL_NOT_INITIALIZED";
        case EGL_BAD_ACCESS:
            return "EGL_BAD_ACCESS";
        case EGL_BAD_ALLOC:
            return "EGL_BAD_ALLOC";
        case EGL_BAD_ATTRIBUTE:
            return "EGL_BAD_ATTRIBUTE";
        case EGL_BAD_CONFIG:
            return "EGL_BAD_CONFIG";
        case EGL_BAD_CONTEXT:
            return "EGL_BAD_CONTEXT";
        case EGL_BAD_DISPLAY:
            return "EGL_BAD_DISPLAY";
        case EGL_BAD_MATCH:
            return "EGL_BAD_MATCH";
        case EGL_BAD_PARAMETER:
            return "EGL_BAD_PARAMETER";
        case EGL_BAD_SURFACE:
            return "EGL_BAD_SURFACE";
        default: {
            char text[32];
            std::snprintf(text, sizeof text, "EGL error 0x%04x", static_cast<unsigned>(code));
            return text;
        }
    }
}

std::string Failed(const char* what) {
    return std::string(what) + " failed (" + EglErrorText(eglGetError()) + ")";
}

// Framebuffer-object entry points, core or EXT, looked up at run time because a 1.1 library
// does not export them.
struct FboFunctions {
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
    PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;

    template <typename F>
    static bool Load(F& f, const char* name, const char* suffix) {
        const std::string full = std::string(name) + suffix;
        f = reinterpret_cast<F>(eglGetProcAddress(full.c_str()));
        return f != nullptr;
    }
    // The same names with "" (core or ARB) or "EXT"; the EXT tokens have the core values.
    bool LoadAll(const char* suffix) {
        return Load(genFramebuffers, "glGenFramebuffers", suffix) &&
               Load(deleteFramebuffers, "glDeleteFramebuffers", suffix) &&
               Load(bindFramebuffer, "glBindFramebuffer", suffix) &&
               Load(genRenderbuffers, "glGenRenderbuffers", suffix) &&
               Load(deleteRenderbuffers, "glDeleteRenderbuffers", suffix) &&
               Load(bindRenderbuffer, "glBindRenderbuffer", suffix) &&
               Load(renderbufferStorage, "glRenderbufferStorage", suffix) &&
               Load(framebufferRenderbuffer, "glFramebufferRenderbuffer", suffix) &&
               Load(checkFramebufferStatus, "glCheckFramebufferStatus", suffix);
    }
};

int GlMajorVersion() {
    const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    int major = 0;
    if (version != nullptr && std::sscanf(version, "%d", &major) != 1) major = 0;
    return major;
}

}  // namespace

struct OffscreenContext::Impl {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
    EGLSurface surface = EGL_NO_SURFACE;
    FboFunctions fbo;
    GLuint framebuffer = 0;
    GLuint colourBuffer = 0;
    GLuint depthBuffer = 0;
    int width = 0;
    int height = 0;
    std::string description;

    Impl() = default;
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;
    ~Impl() { Release(); }

    void Release() {
        if (display == EGL_NO_DISPLAY) return;
        if (context != EGL_NO_CONTEXT && eglGetCurrentContext() == context) {
            if (framebuffer != 0) fbo.deleteFramebuffers(1, &framebuffer);
            if (colourBuffer != 0) fbo.deleteRenderbuffers(1, &colourBuffer);
            if (depthBuffer != 0) fbo.deleteRenderbuffers(1, &depthBuffer);
        }
        framebuffer = colourBuffer = depthBuffer = 0;
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (surface != EGL_NO_SURFACE) eglDestroySurface(display, surface);
        if (context != EGL_NO_CONTEXT) eglDestroyContext(display, context);
        // The display stays initialised for the life of the process: terminating it unloads
        // the driver, which then reports its own start-up allocations as leaks, and would pull
        // the display from under any other context made on it.
        eglReleaseThread();
        surface = EGL_NO_SURFACE;
        context = EGL_NO_CONTEXT;
        display = EGL_NO_DISPLAY;
    }

    // The first configuration with exactly eight bits per colour channel, so that the image's
    // bytes pass through the framebuffer unchanged (choosers prefer deeper colour first).
    bool ChooseConfig(EGLint surfaceType, EGLConfig* config) const {
        const EGLint attributes[] = {EGL_SURFACE_TYPE, surfaceType, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                     EGL_RED_SIZE,     8,           EGL_GREEN_SIZE,      8,
                                     EGL_BLUE_SIZE,    8,           EGL_DEPTH_SIZE,      16,
                                     EGL_NONE};
        EGLConfig configs[64];
        EGLint count = 0;
        if (!eglChooseConfig(display, attributes, configs, 64, &count)) return false;
        for (EGLint i = 0; i < count; ++i) {
            EGLint r = 0, g = 0, b = 0;
            eglGetConfigAttrib(display, configs[i], EGL_RED_SIZE, &r);
            eglGetConfigAttrib(display, configs[i], EGL_GREEN_SIZE, &g);
            eglGetConfigAttrib(display, configs[i], EGL_BLUE_SIZE, &b);
            if (r == 8 && g == 8 && b == 8) {
                *config = configs[i];
                return true;
            }
        }
        return false;
    }

    // No attributes: version 1.0 requested, which every implementation answers with its
    // compatibility profile, where immediate mode and glDrawPixels exist.
    bool CreateContext(EGLConfig config, std::string* why) {
        context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
        if (context == EGL_NO_CONTEXT) {
            *why = Failed("eglCreateContext");
            return false;
        }
        return true;
    }

    bool MakePbuffer(std::string* why) {
        EGLConfig config{};
        if (!ChooseConfig(EGL_PBUFFER_BIT, &config)) {
            *why = "no 8-bit RGB configuration with a pbuffer";
            return false;
        }
        if (!CreateContext(config, why)) return false;
        const EGLint attributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
        surface = eglCreatePbufferSurface(display, config, attributes);
        if (surface == EGL_NO_SURFACE) {
            *why = Failed("eglCreatePbufferSurface");
            return false;
        }
        if (!eglMakeCurrent(display, surface, surface, context)) {
            *why = Failed("eglMakeCurrent");
            return false;
        }
        return true;
    }

    bool MakeFramebufferObject(std::string* why) {
        if (!HasExtension(eglQueryString(display, EGL_EXTENSIONS), "EGL_KHR_surfaceless_context")) {
            *why = "neither a pbuffer nor EGL_KHR_surfaceless_context";
            return false;
        }
        EGLConfig config{};
        if (!ChooseConfig(EGL_DONT_CARE, &config)) {
            *why = "no 8-bit RGB configuration";
            return false;
        }
        if (!CreateContext(config, why)) return false;
        if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context)) {
            *why = Failed("eglMakeCurrent without a surface");
            return false;
        }
        const auto* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
        const bool core = GlMajorVersion() >= 3 || HasExtension(extensions, "GL_ARB_framebuffer_object");
        const bool loaded = core
                                ? fbo.LoadAll("")
                                : HasExtension(extensions, "GL_EXT_framebuffer_object") && fbo.LoadAll("EXT");
        if (!loaded) {
            *why = "no framebuffer objects";
            return false;
        }
        fbo.genFramebuffers(1, &framebuffer);
        fbo.bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        fbo.genRenderbuffers(1, &colourBuffer);
        fbo.bindRenderbuffer(GL_RENDERBUFFER, colourBuffer);
        fbo.renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
        fbo.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colourBuffer);
        fbo.genRenderbuffers(1, &depthBuffer);
        fbo.bindRenderbuffer(GL_RENDERBUFFER, depthBuffer);
        fbo.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, width, height);
        fbo.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthBuffer);
        if (fbo.checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
            *why = "the framebuffer object is incomplete";
            return false;
        }
        return true;
    }

    // Initialises DISPLAY and makes a context current on it; on failure everything taken is
    // given back and *why says what went wrong.
    bool TryDisplay(EGLDisplay candidate, const std::string& name, Target target, std::string* why) {
        if (candidate == EGL_NO_DISPLAY) {
            *why = "not available";
            return false;
        }
        EGLint major = 0, minor = 0;
        if (!eglInitialize(candidate, &major, &minor)) {
            *why = Failed("eglInitialize");
            return false;
        }
        display = candidate;
        if (!eglBindAPI(EGL_OPENGL_API)) {
            *why = "no desktop OpenGL (" + EglErrorText(eglGetError()) + ")";
            Release();
            return false;
        }
        std::string kind = "pbuffer";
        bool made = target == Target::Any && MakePbuffer(why);
        if (!made) {
            std::string pbufferWhy = target == Target::Any ? *why + "; " : std::string();
            if (context != EGL_NO_CONTEXT || surface != EGL_NO_SURFACE) {
                // Start the second way from a clean display.
                eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
                if (surface != EGL_NO_SURFACE) eglDestroySurface(display, surface);
                if (context != EGL_NO_CONTEXT) eglDestroyContext(display, context);
                surface = EGL_NO_SURFACE;
                context = EGL_NO_CONTEXT;
            }
            kind = "framebuffer object";
            made = MakeFramebufferObject(why);
            if (!made) *why = pbufferWhy + *why;
        }
        if (made && !CheckImmediateMode(why)) made = false;
        if (!made) {
            Release();
            return false;
        }
        const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
        const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
        description = "EGL " + name + ", " + kind + ", " + (renderer ? renderer : "unknown renderer") +
                      ", OpenGL " + (version ? version : "unknown version");
        return true;
    }

    // A core-profile context would reject every call the picture is drawn with.
    static bool CheckImmediateMode(std::string* why) {
        // Bounded: a lost context may report its loss on every call.
        for (int i = 0; i < 32 && glGetError() != GL_NO_ERROR; ++i) {
        }
        glBegin(GL_LINES);
        glEnd();
        if (glGetError() != GL_NO_ERROR) {
            *why = "the context has no immediate mode (not a compatibility profile)";
            return false;
        }
        return true;
    }
};

OffscreenContext::OffscreenContext(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

OffscreenContext::~OffscreenContext() = default;

int OffscreenContext::Width() const {
    return m_impl->width;
}
int OffscreenContext::Height() const {
    return m_impl->height;
}
const std::string& OffscreenContext::Description() const {
    return m_impl->description;
}

std::unique_ptr<OffscreenContext> OffscreenContext::Create(int width, int height, std::string* error,
                                                           Target target) {
    if (width <= 0 || height <= 0) {
        if (error) *error = "no OpenGL context: the framebuffer size must be positive";
        return nullptr;
    }
    auto impl = std::make_unique<Impl>();
    impl->width = width;
    impl->height = height;
    // The constructor is private, so make_unique cannot reach it.
    auto Made = [](std::unique_ptr<Impl> done) {
        return std::unique_ptr<OffscreenContext>(new OffscreenContext(std::move(done)));
    };
    std::string tried;
    auto note = [&tried](const std::string& name, const std::string& why) {
        tried += (tried.empty() ? "" : "; ") + name + ": " + why;
    };

    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    auto getPlatformDisplay =
        HasExtension(clientExtensions, "EGL_EXT_platform_base")
            ? reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"))
            : nullptr;
    std::string why;

    if (getPlatformDisplay != nullptr && HasExtension(clientExtensions, "EGL_MESA_platform_surfaceless")) {
        EGLDisplay d = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (impl->TryDisplay(d, "surfaceless", target, &why)) return Made(std::move(impl));
        note("surfaceless platform", why);
    } else {
        note("surfaceless platform", "not offered by this EGL");
    }

    auto queryDevices = reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
    if (getPlatformDisplay != nullptr && queryDevices != nullptr &&
        HasExtension(clientExtensions, "EGL_EXT_device_enumeration") &&
        HasExtension(clientExtensions, "EGL_EXT_platform_device")) {
        EGLDeviceEXT devices[16];
        EGLint count = 0;
        if (!queryDevices(16, devices, &count)) count = 0;
        if (count == 0) note("EGL devices", "none found");
        for (EGLint i = 0; i < count; ++i) {
            const std::string name = "device " + std::to_string(i);
            EGLDisplay d = getPlatformDisplay(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr);
            if (impl->TryDisplay(d, name, target, &why)) return Made(std::move(impl));
            note(name, why);
        }
    } else {
        note("EGL devices", "not offered by this EGL");
    }

    if (impl->TryDisplay(eglGetDisplay(EGL_DEFAULT_DISPLAY), "default display", target, &why)) {
        return Made(std::move(impl));
    }
    note("default display", why);

    if (error) *error = "no OpenGL context could be made (" + tried + ")";
    return nullptr;
}

std::vector<std::uint8_t> OffscreenContext::ReadRgb(int x, int y, int w, int h) const {
    if (w <= 0 || h <= 0) return {};
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3u);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, w, h, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

std::vector<std::uint8_t> ReadPicture(const OffscreenContext& context, int width, int height) {
    return context.ReadRgb(kImageOriginX, kImageOriginY, width, height);
}
