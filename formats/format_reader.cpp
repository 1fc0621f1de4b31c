#include "formats/format_reader.h"

#include <algorithm>
#include <exception>
#include <new>

#include "base/reporter.h"
#include "formats/column_text_reader.h"
#include "formats/file_bytes.h"
#include "formats/limits.h"
#include "formats/mat_reader.h"
#include "formats/netcdf_reader.h"
#include "formats/read_error.h"
#include "formats/tecplot_reader.h"
#include "formats/temporary_file.h"
#include "formats/vtk_legacy_reader.h"
#include "formats/vtk_xml_reader.h"
#include "scene/gri_format.h"

namespace formats {

namespace {

const std::vector<std::string>& Extensions() {
    static const std::vector<std::string> extensions{"txt", "csv", "tsv", "dat", "vec", "tec",
                                                     "plt", "vtk", "vti", "vtr", "vts", "vtu",
                                                     "vtp", "mat", "nc",  "cdf", "nc4", "pvd"};
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

// A kind of file that holds flow data no reader here takes, and what to write instead.
struct UnreadFormat {
    std::string_view extension;
    const char* german;
    const char* english;
};

constexpr UnreadFormat kUnreadFormats[] = {
    {"vc7",
     "DaVis-.vc7-Dateien werden nicht gelesen; exportieren Sie die Vektoren in DaVis als Text oder Tecplot.",
     "DaVis .vc7 is not read; export the vectors as text or Tecplot in DaVis."},
    {"im7",
     "DaVis-.im7-Dateien sind Bilder, keine Vektoren; berechnen Sie die Vektoren in DaVis und exportieren "
     "Sie sie als Text oder Tecplot.",
     "DaVis .im7 holds images, not vectors; compute the vectors in DaVis and export them as text or "
     "Tecplot."},
    {"cgns",
     "CGNS wird nicht gelesen; exportieren Sie die Lösung als VTK oder Tecplot ASCII, etwa mit ParaView.",
     "CGNS is not read; export the solution as VTK or Tecplot ASCII, e.g. with ParaView."},
    {"case",
     "EnSight (.case) wird nicht gelesen; exportieren Sie die Daten als VTK oder Tecplot ASCII, etwa mit "
     "ParaView.",
     "EnSight (.case) is not read; export the data as VTK or Tecplot ASCII, e.g. with ParaView."},
    {"geo",
     "EnSight-Geometrie (.geo) wird nicht gelesen; exportieren Sie die Daten als VTK oder Tecplot ASCII, "
     "etwa mit ParaView.",
     "EnSight geometry (.geo) is not read; export the data as VTK or Tecplot ASCII, e.g. with ParaView."},
    {"h5", "HDF5 (.h5) wird nicht gelesen; exportieren Sie die Vektoren als Text, Tecplot ASCII oder VTK.",
     "HDF5 (.h5) is not read; export the vectors as text, Tecplot ASCII or VTK."},
    {"hdf5",
     "HDF5 (.hdf5) wird nicht gelesen; exportieren Sie die Vektoren als Text, Tecplot ASCII oder VTK.",
     "HDF5 (.hdf5) is not read; export the vectors as text, Tecplot ASCII or VTK."},
};

const UnreadFormat* UnreadFormatOf(const std::string& ext) {
    for (const UnreadFormat& f : kUnreadFormats)
        if (f.extension == ext) return &f;
    return nullptr;
}

// Refuses a file of a kind no reader takes by its name, before a byte of it is read, so that
// its message names the format instead of the .gri pair's header.
void RejectUnreadFormat(const std::string& ext, const std::string& file) {
    if (const UnreadFormat* f = UnreadFormatOf(ext)) Fail(file, Whole(), f->german, f->english);
}

bool IsVtkXmlExtension(const std::string& ext) {
    return ext == "vti" || ext == "vtr" || ext == "vts" || ext == "vtu" || ext == "vtp";
}

// Whether the content says VTK, the one kind of file that may be binary.
bool LooksLikeVtk(std::string_view bytes, const std::string& ext) {
    return LooksLikeXml(bytes) || bytes.starts_with("# vtk DataFile Version") || IsVtkXmlExtension(ext) ||
           ext == "vtk";
}

// Text files hold no NUL byte; the solution file of a .gri pair and every binary format do.
// Decided from the first block alone, so that a large binary file is refused before it is read.
void RejectBinary(std::string_view bytes, const std::string& file) {
    const std::string_view head = bytes.substr(0, kFirstBlockBytes);
    if (head.starts_with("#!TDV"))
        Fail(file, Whole(),
             "Binäres Tecplot (.plt) wird nicht gelesen; schreiben Sie die Daten in Tecplot als ASCII "
             "(Write Data File, ASCII) oder mit der ASCII-Ausgabe Ihres Programms.",
             "binary Tecplot (.plt) is not read; write the data as ASCII in Tecplot (Write Data File, ASCII) "
             "or with your program's ASCII output.");
    if (head.starts_with(kHdf5Signature))
        Fail(file, Whole(),
             "HDF5 wird nicht gelesen; exportieren Sie die Vektoren als Text, Tecplot ASCII oder VTK.",
             "HDF5 is not read; export the vectors as text, Tecplot ASCII or VTK.");
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

// The files read through a library that opens them by name, not from bytes in memory.
enum class ByName { No, Mat, Netcdf };

// Decided by the first bytes where they say which, else by the extension, so that a file that
// is not what its name says gets the library's refusal rather than a text reader's.
ByName ReadByName(std::string_view head, const std::string& ext) {
    if (LooksLikeMat(head)) return ByName::Mat;
    // MATLAB 7.3 files are HDF5 behind a text header. HDF5 from the start is netCDF-4 only
    // where the name says netCDF; any other HDF5 file is refused as what it is.
    if (LooksLikeNetcdf(head) && !head.starts_with(kHdf5Signature)) return ByName::Netcdf;
    if (ext == "mat") return ByName::Mat;
    if (ext == "nc" || ext == "cdf" || ext == "nc4") return ByName::Netcdf;
    return ByName::No;
}

void ReadFileByName(ByName kind, const std::string& path, const std::string& file, DataSetArrays& out,
                    std::size_t frame) {
    switch (kind) {
        case ByName::Mat:
            ReadMatFile(path, file, out, static_cast<std::int64_t>(frame));
            return;
        case ByName::Netcdf:
            ReadNetcdfFile(path, file, out, static_cast<std::int64_t>(frame));
            return;
        case ByName::No:
            break;
    }
}

// Thrown past ReadFileBytes once the first block shows that a library reads the file by name.
struct LeaveToLibrary {};

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
    return std::find(Extensions().begin(), Extensions().end(), ext) != Extensions().end() ||
           UnreadFormatOf(ext) != nullptr;
}

bool FormatReader::Read(const std::string& path, DataSetArrays& out, Reporter& reporter) {
    return ReadFrame(Frame(path), LatticeSize{}, out, reporter);
}

bool FormatReader::ReadFrame(const Frame& frame, LatticeSize lattice, DataSetArrays& out,
                             Reporter& reporter) {
    const std::string& path = frame.path;
    try {
        const std::string ext = LowerExtension(path);
        RejectUnreadFormat(ext, path);
        if (ext == "pvd") {
            // Read alone, a collection shows its first data set.
            const std::vector<Frame> frames = ReadPvdCollection(ReadFileBytes(path), path);
            return ReadFrame(frames.front(), lattice, out, reporter);
        }
        ByName byName = ByName::No;
        std::string bytes;
        try {
            bytes = ReadFileBytes(path, [&](std::string_view first) {
                byName = ReadByName(first, ext);
                if (byName != ByName::No) throw LeaveToLibrary{};
                if (!LooksLikeVtk(first, ext)) RejectBinary(first, path);
            });
        } catch (const LeaveToLibrary&) {
            // The file passed every check of ReadFileBytes and is read by its name alone.
            ReadFileByName(byName, path, path, out, frame.part);
            return true;
        }
        ReadDataSetBytes(bytes, path, out, frame.part, lattice);
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
        // Only a Tecplot, MATLAB or netCDF file holds several fields; the first block tells
        // whether it is one, so that a column text file is not read whole for nothing.
        ByName byName = ByName::No;
        std::string bytes;
        try {
            bytes = ReadFileBytes(path, [&](std::string_view first) {
                byName = ReadByName(first, ext);
                if (byName != ByName::No) throw LeaveToLibrary{};
                const bool tecplot = !LooksLikeVtk(first, ext) &&
                                     first.find('\0') == std::string_view::npos && LooksLikeTecplot(first);
                if (!tecplot) throw OneField{};
            });
        } catch (const LeaveToLibrary&) {
            const std::int64_t count =
                byName == ByName::Mat ? MatFrameCount(path, path) : NetcdfFrameCount(path, path);
            if (count > static_cast<std::int64_t>(kMaxFrames))
                Fail(path, Whole(),
                     "Die Datei hat " + Num(count) + " Bilder, mehr als eine Folge haben kann.",
                     "the file has " + Num(count) + " frames, more than a series may have.");
            if (count > 1)
                for (std::int64_t k = 0; k < count; ++k)
                    frames.emplace_back(path, std::string(), static_cast<std::size_t>(k), std::nullopt);
            return true;
        }
        const std::vector<TecplotZone> zones = ScanTecplotZones(bytes);
        // A file whose first zone is of finite elements is read from that zone alone.
        if (zones.size() > 1 && zones.front().ordered)
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

void ReadDataSetBytes(std::string_view bytes, const std::string& file, DataSetArrays& out, std::size_t part,
                      LatticeSize lattice) {
    try {
        // The content decides; the extension only where the content says nothing.
        const std::string ext = LowerExtension(file);
        RejectUnreadFormat(ext, file);
        const ByName kind = ReadByName(bytes.substr(0, kFirstBlockBytes), ext);
        if (part > 0 && kind == ByName::No && (LooksLikeVtk(bytes, ext) || !LooksLikeTecplot(bytes)))
            Fail(
                file, Whole(),
                "Die Datei enthält nur ein Feld, kein Feld " + Num(static_cast<std::int64_t>(part + 1)) + ".",
                "the file holds one field only, not field " + Num(static_cast<std::int64_t>(part + 1)) + ".");
        if (kind != ByName::No) {
            const TemporaryFile copy(bytes, kind == ByName::Mat ? ".mat" : ".nc", file);
            ReadFileByName(kind, copy.Path(), file, out, part);
        } else if (LooksLikeXml(bytes)) {
            ReadVtkXml(bytes, file, out, lattice);
        } else if (bytes.starts_with("# vtk DataFile Version") || ext == "vtk") {
            ReadVtkLegacy(bytes, file, out, lattice);
        } else if (IsVtkXmlExtension(ext)) {
            ReadVtkXml(bytes, file, out, lattice);
        } else {
            RejectBinary(bytes, file);
            if (LooksLikeTecplot(bytes))
                ReadTecplotZone(bytes, file, out, part, lattice);
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
