#include "formats/format_reader.h"

#include <algorithm>
#include <exception>
#include <new>

#include "base/reporter.h"
#include "formats/column_text_reader.h"
#include "formats/file_bytes.h"
#include "formats/read_error.h"
#include "formats/tecplot_reader.h"
#include "formats/vtk_legacy_reader.h"
#include "formats/vtk_xml_reader.h"
#include "scene/gri_format.h"

namespace formats {

namespace {

const std::vector<std::string>& Extensions() {
    static const std::vector<std::string> extensions{"txt", "csv", "tsv", "dat", "vec", "tec",
                                                     "plt", "vtk", "vti", "vtr", "pvd"};
    return extensions;
}

std::string LowerExtension(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot + 1);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

bool EndsWith(const std::string& s, std::string_view end) {
    return s.size() >= end.size() &&
           std::equal(end.begin(), end.end(), s.end() - static_cast<std::ptrdiff_t>(end.size()));
}

// Whether the content says VTK, the one kind of file that may be binary.
bool LooksLikeVtk(std::string_view bytes, const std::string& ext) {
    return LooksLikeXml(bytes) || bytes.starts_with("# vtk DataFile Version") || ext == "vtk" ||
           ext == "vti" || ext == "vtr";
}

// Text files hold no NUL byte; the solution file of a .gri pair and every binary format do.
// Decided from the first block alone, so that a large binary file is refused before it is read.
void RejectBinary(std::string_view bytes, const std::string& file) {
    const std::string_view head = bytes.substr(0, kFirstBlockBytes);
    if (head.starts_with("#!TDV"))
        Fail(file, Whole(), "Das ist eine binäre Tecplot-Datei; gelesen wird Tecplot nur als ASCII.",
             "this is a binary Tecplot file; Tecplot is read as ASCII only.");
    if (head.find('\0') == std::string_view::npos) return;
    if (EndsWith(file, "00000.dat")) {
        const std::string geometry = file.substr(0, file.size() - 9) + "gri";
        Fail(file, Whole(),
             "Das ist die Lösungsdatei eines Datensatzes; öffnen Sie dessen Geometriedatei " +
                 Quoted(geometry) + ".",
             "this is the solution file of a data set; open its geometry file " + geometry + " instead.");
    }
    Fail(file, Whole(), "Das ist eine Binärdatei, keine Textdatei.", "this is a binary file, not text.");
}

// Thrown from the first block of a file that cannot hold several fields: it is not read on.
struct OneField {};

ReadError UnexpectedFailure(const std::exception& e, const std::string& file) {
    if (dynamic_cast<const std::bad_alloc*>(&e))
        return ReadError({messages::kAppCaption,
                          "Nicht genügend Arbeitsspeicher, um " + Quoted(file) + " zu lesen.",
                          "not enough memory to read " + file + "."});
    const std::string why = Excerpt(e.what());
    return ReadError(
        {messages::kAppCaption,
         "Das Lesen von " + Quoted(file) + " brach mit einem unerwarteten Fehler ab (" + why + ").",
         "reading " + file + " stopped on an unexpected error (" + why + ")."});
}

}  // namespace

bool FormatReader::Accepts(const std::string& path) const {
    const std::string ext = LowerExtension(path);
    return std::find(Extensions().begin(), Extensions().end(), ext) != Extensions().end();
}

bool FormatReader::Read(const std::string& path, DataSetArrays& out, Reporter& reporter) {
    return ReadFrame(Frame(path), out, reporter);
}

bool FormatReader::ReadFrame(const Frame& frame, DataSetArrays& out, Reporter& reporter) {
    const std::string& path = frame.path;
    try {
        const std::string ext = LowerExtension(path);
        if (ext == "pvd") {
            // Read alone, a collection shows its first data set.
            const std::vector<Frame> frames = ReadPvdCollection(ReadFileBytes(path), path);
            return ReadFrame(frames.front(), out, reporter);
        }
        const std::string bytes = ReadFileBytes(path, [&](std::string_view first) {
            if (!LooksLikeVtk(first, ext)) RejectBinary(first, path);
        });
        ReadDataSetBytes(bytes, path, out, frame.part);
        return true;
    } catch (const ReadError& e) {
        out.Release();
        reporter.Tell(e.GetMessage());
    } catch (const std::exception& e) {
        out.Release();
        reporter.Tell(UnexpectedFailure(e, path).GetMessage());
    }
    return false;
}

bool FormatReader::FramesIn(const std::string& path, std::vector<Frame>& frames, Reporter& reporter) {
    frames.clear();
    try {
        const std::string ext = LowerExtension(path);
        if (ext == "pvd") {
            frames = ReadPvdCollection(ReadFileBytes(path), path);
            return true;
        }
        // Only a Tecplot file holds several fields; the first block tells whether it is one,
        // so that a column text file is not read whole for nothing.
        bool tecplot = false;
        const std::string bytes = ReadFileBytes(path, [&](std::string_view first) {
            tecplot = !LooksLikeVtk(first, ext) && first.find('\0') == std::string_view::npos &&
                      LooksLikeTecplot(first);
            if (!tecplot) throw OneField{};
        });
        const std::vector<TecplotZone> zones = ScanTecplotZones(bytes);
        if (zones.size() > 1)
            for (std::size_t k = 0; k < zones.size(); ++k)
                frames.emplace_back(path, std::string(), k, zones[k].solutionTime);
        return true;
    } catch (const OneField&) {
        return true;
    } catch (const ReadError& e) {
        frames.clear();
        reporter.Tell(e.GetMessage());
    } catch (const std::exception& e) {
        frames.clear();
        reporter.Tell(UnexpectedFailure(e, path).GetMessage());
    }
    return false;
}

std::vector<std::string> FilesReadFor(const std::string& path) {
    if (FormatReader().Accepts(path)) return {path};
    return {path, gri::SolutionPathFor(path)};
}

std::vector<std::string> FilesReadFor(const Frame& frame) {
    if (frame.solution.empty()) return FilesReadFor(frame.path);
    return {frame.path, frame.solution};
}

const std::vector<std::string>& AcceptedPatterns() {
    static const std::vector<std::string> patterns = [] {
        std::vector<std::string> p;
        for (const std::string& e : Extensions()) p.push_back("*." + e);
        return p;
    }();
    return patterns;
}

void ReadDataSetBytes(std::string_view bytes, const std::string& file, DataSetArrays& out, std::size_t part) {
    try {
        // The content decides; the extension only where the content says nothing.
        const std::string ext = LowerExtension(file);
        if (part > 0 && (LooksLikeVtk(bytes, ext) || !LooksLikeTecplot(bytes)))
            Fail(
                file, Whole(),
                "Die Datei enthält nur ein Feld, kein Feld " + Num(static_cast<std::int64_t>(part + 1)) + ".",
                "the file holds one field only, not field " + Num(static_cast<std::int64_t>(part + 1)) + ".");
        if (LooksLikeXml(bytes)) {
            ReadVtkXml(bytes, file, out);
        } else if (bytes.starts_with("# vtk DataFile Version") || ext == "vtk") {
            ReadVtkLegacy(bytes, file, out);
        } else if (ext == "vti" || ext == "vtr") {
            ReadVtkXml(bytes, file, out);
        } else {
            RejectBinary(bytes, file);
            if (LooksLikeTecplot(bytes))
                ReadTecplotZone(bytes, file, out, part);
            else
                ReadColumnText(bytes, file, out);
        }
    } catch (const ReadError&) {
        out.Release();
        throw;
    } catch (const std::exception& e) {
        // The last line: whatever else a reader lets out is told as a failure to read this file.
        out.Release();
        throw UnexpectedFailure(e, file);
    }
}

}  // namespace formats
