#include "render/drawing_capture.h"

#include <GL/gl.h>

#include <algorithm>
#include <bit>
#include <limits>

namespace {

// A side that is a power of two makes the projection exact: x * (2 / 1024) - 1 and back to the
// window lose nothing, so a vertex sent at a whole pixel comes back as that whole number. It
// also holds the classic whole view (700 x 630) and what the picture's arrows reach beyond it.
constexpr GLsizei kSide = 1024;

// A vertex in GL_3D_COLOR feedback: x, y, z, then red, green, blue and alpha.
constexpr std::size_t kVertexFloats = 7;

constexpr std::size_t kFirstSize = std::size_t{1} << 16;

void ClearErrors() {
    // Bounded: a lost context may report its loss on every call.
    for (int i = 0; i < 32 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

// The token stream of one feedback pass; false when it holds what the files cannot show.
bool Parse(const std::vector<GLfloat>& buffer, std::size_t count, CapturedDrawing* out, std::string* error) {
    auto vertexColour = [&buffer](std::size_t at) {
        return CapturedColour{buffer[at + 3], buffer[at + 4], buffer[at + 5]};
    };
    std::size_t i = 0;
    while (i < count) {
        const auto token = static_cast<GLenum>(buffer[i++]);
        std::size_t needed = 0;
        switch (token) {
            case GL_LINE_TOKEN:
            case GL_LINE_RESET_TOKEN:
                needed = 2 * kVertexFloats;
                break;
            case GL_DRAW_PIXEL_TOKEN:
            case GL_COPY_PIXEL_TOKEN:
                needed = kVertexFloats;
                break;
            case GL_PASS_THROUGH_TOKEN:
                needed = 1;
                break;
            default:
                // Points, bitmaps and polygons are drawn nowhere in the picture; a drawing that
                // starts to use them must teach the vector files to show them first.
                *error = "the drawing holds a primitive that vector files do not show (feedback token " +
                         std::to_string(token) + ")";
                return false;
        }
        if (count - i < needed) {
            *error = "the feedback of the drawing ends in the middle of a primitive";
            return false;
        }
        if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
            const std::size_t v1 = i + kVertexFloats;
            out->lines.push_back(
                {buffer[i], buffer[i + 1], buffer[v1], buffer[v1 + 1], vertexColour(i), vertexColour(v1)});
        } else if (token != GL_PASS_THROUGH_TOKEN) {
            out->pixels.push_back({buffer[i], buffer[i + 1]});
        }
        i += needed;
    }
    return true;
}

}  // namespace

bool CaptureDrawing(const std::function<void()>& draw, CapturedDrawing* out, std::string* error,
                    std::size_t maxFloats, int extent) {
    // Larger pictures need a larger view, again a power of two and with room for their arrows.
    const GLsizei side = std::max(kSide, static_cast<GLsizei>(std::bit_ceil(static_cast<unsigned>(
                                             std::clamp(extent, 0, 1 << 20) + kSide / 4))));
    const std::size_t limit =
        std::min(maxFloats, static_cast<std::size_t>(std::numeric_limits<GLsizei>::max()));
    std::size_t size = std::min(kFirstSize, limit);
    for (;;) {
        std::vector<GLfloat> buffer(size);
        ClearErrors();
        glViewport(0, 0, side, side);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0.0, side, 0.0, side, -1.0, 1.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glFeedbackBuffer(static_cast<GLsizei>(size), GL_3D_COLOR, buffer.data());
        glRenderMode(GL_FEEDBACK);
        draw();
        const GLint count = glRenderMode(GL_RENDER);
        if (glGetError() != GL_NO_ERROR) {
            *error = "the OpenGL context has no feedback mode";
            return false;
        }
        if (count >= 0) {
            out->lines.clear();
            out->pixels.clear();
            if (!Parse(buffer, static_cast<std::size_t>(count), out, error)) return false;
            return true;
        }
        // The buffer overflowed: the drawing is drawn again into one twice as large.
        if (size >= limit) {
            *error = "the picture has too many lines for a vector file (more than " + std::to_string(limit) +
                     " values of feedback)";
            return false;
        }
        size = std::min(size * 2, limit);
    }
}
