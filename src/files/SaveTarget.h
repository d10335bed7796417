#pragma once

// Names and places of data files before anything is written: which kind of
// file a name stands for, the name a save uses, and whether a save to a path
// can succeed at all, so that no work is done for a file that cannot be kept.

#include <optional>
#include <string>

namespace rq50::files {

enum class DataFileKind { kParameter, kProgram };

/// ".7pa" or ".7pr".
std::string ExtensionOf(DataFileKind kind);

/// The kind a file name stands for by its extension (any case); nullopt for
/// any other extension.
std::optional<DataFileKind> DataFileKindOf(const std::string& path);

/// The name a save of `kind` uses, as the save dialog makes it: the kind's
/// extension is added to a name without one. A name with another extension
/// (the other kind's, or ".txt") is refused with a sentence in `problem`.
std::optional<std::string> SaveNameFor(const std::string& path, DataFileKind kind,
                                       std::string& problem);

/// Empty when a file can be saved at `path`; otherwise the reason as a
/// sentence: the path is a folder, its folder does not exist, or the folder
/// takes no new file (tried by creating and removing a file there).
std::string SaveTargetProblem(const std::string& path);

/// Empty when an export (CSV, PDF) of `input` may be written to `output`;
/// otherwise the reason as a sentence: the output is the input file itself,
/// or a name that stands for a parameter or program file, which an export
/// must never replace.
std::string ExportTargetProblem(const std::string& output, const std::string& input);

/// Empty when an output that is not a data file (a log, CSV, PDF, PNG, an
/// export of the register) may be written to `output`; otherwise the reason as
/// a sentence. The one rule for every such output: a new file in a folder
/// that takes one, or an existing regular file, and that only when `replace`
/// says so (--force, or the user's yes); never a folder, device, pipe or
/// socket (told from the file's status, never by opening it, so nothing
/// blocks), never a name of a parameter or program file, never `input`, the
/// file the output is made from (may be empty).
std::string OutputTargetProblem(const std::string& output, const std::string& input, bool replace);

}  // namespace rq50::files
