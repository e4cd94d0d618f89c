#include "doctor/library_findings.h"

#include <string.h>

#include "doctor/library_image.h"
#include "driver/converter_library.h"
#include "driver/exit_status.h"

namespace {

constexpr uint32_t kErrorDllInitFailed = 1114;
constexpr size_t kMaxSearchFolders = 64;
constexpr int kMaxDependencyDepth = 8;
constexpr size_t kMaxImports = 64;

// The search is read once per doctor run: the environment does not change.
SearchFolder search_folders[kMaxSearchFolders];
size_t search_folder_count;

void ReadSearchFolders(SystemInterface& system) {
  search_folder_count = system.LibrarySearchFolders(search_folders, kMaxSearchFolders);
}

// |folder|\|name| into |path|; false when it does not fit.
bool JoinPath(const WideChar* folder, const WideChar* name, WideChar* path) {
  const size_t folder_length = BoundedLength(folder, kPathCapacity);
  const size_t name_length = BoundedLength(name, kPathCapacity);
  if (folder_length + 1 + name_length >= kPathCapacity) return false;
  memcpy(path, folder, folder_length * sizeof *folder);
  path[folder_length] = kPathSeparator;
  memcpy(path + folder_length + 1, name, (name_length + 1) * sizeof *name);
  return true;
}

// The first folder of the search that holds |name|, or null; |path| gets the file.
const SearchFolder* FindAlongSearch(SystemInterface& system, const WideChar* name, WideChar* path) {
  for (size_t i = 0; i < search_folder_count; ++i) {
    if (JoinPath(search_folders[i].path, name, path) && system.ProbePath(path) == PathKind::kFile) {
      return &search_folders[i];
    }
  }
  return nullptr;
}

void AddFolderList(Text& out) {
  for (size_t i = 0; i < search_folder_count; ++i) {
    if (i != 0) out.Add(", ");
    out.AddWide(search_folders[i].path);
  }
}

const char* FolderKindName(FolderKind kind) {
  switch (kind) {
    case FolderKind::kProgram:
      return "the tool's own folder";
    case FolderKind::kSystem:
      return "a system folder";
    case FolderKind::kCurrent:
      return "the current folder";
    case FolderKind::kSearchVariable:
      break;
  }
  return kLibrarySearchVariable[0] == 'P' ? "a folder on PATH" : "a folder on LD_LIBRARY_PATH";
}

// An import's ASCII name as the loader's wide one.
void WideFromAscii(const char* name, WideChar* wide) {
  size_t length = 0;
  for (; name[length] != 0; ++length) wide[length] = static_cast<uint8_t>(name[length]);
  wide[length] = 0;
}

struct DependencyWalk {
  SystemInterface* system;
  const CommandOptions* options;
  Report* report;
  ImportName seen[128];
  size_t seen_count = 0;

  // Whether |name| came up before; the loader compares names without case.
  bool Seen(const ImportName& name) {
    WideChar wide[sizeof ImportName::text];
    WideFromAscii(name.text, wide);
    for (size_t i = 0; i < seen_count; ++i) {
      if (EqualsIgnoringCase(wide, seen[i].text)) return true;
    }
    if (seen_count < sizeof seen / sizeof seen[0]) seen[seen_count++] = name;
    return false;
  }

  // Every DLL that |file| needs, and those they need in turn, outside the system's
  // folders: a system DLL's own needs are the system's business.
  void Walk(const WideChar* file, const WideChar* file_name, int depth) {
    FileView view;
    if (depth > kMaxDependencyDepth || !system->MapFile(file, &view)) return;
    static ImportName imports[kMaxDependencyDepth + 1][kMaxImports];
    const size_t count = ReadImportedLibraries(view.bytes, view.size, imports[depth], kMaxImports);
    system->UnmapFile(view);
    for (size_t i = 0; i < count; ++i) {
      const char* name = imports[depth][i].text;
      if (Seen(imports[depth][i])) continue;
      WideChar wide_name[sizeof ImportName::text];
      WideFromAscii(name, wide_name);
      if (system->IsProvidedWithoutFile(wide_name)) continue;
      WideChar found[kPathCapacity];
      const SearchFolder* folder = FindAlongSearch(*system, wide_name, found);
      if (folder == nullptr) {
        ReportMissing(name, wide_name, file_name);
      } else if (folder->kind != FolderKind::kSystem) {
        Walk(found, wide_name, depth + 1);
      }
    }
  }

  void ReportMissing(const char* name, const WideChar* wide_name, const WideChar* needed_by) {
    Finding& finding = report->Add("dependency-missing", Severity::kError);
    Text& message = finding.message;
    message.Add(name)
        .Add(", which ")
        .AddWide(needed_by)
        .Add(
            " needs, is not in any folder Windows looks in for it: the tool's own folder, the "
            "system "
            "folders, the current folder and the folders on PATH");
    WideChar in_directory[kPathCapacity];
    const bool beside_library = options->LibraryDirectory[0] != 0 &&
                                JoinPath(options->LibraryDirectory, wide_name, in_directory) &&
                                system->ProbePath(in_directory) == PathKind::kFile;
    WideChar program[kPathCapacity];
    const bool has_program = system->ProgramFolder(program, kPathCapacity);
    if (beside_library) {
      message.Add(". It lies in the -p: directory, ")
          .AddWide(options->LibraryDirectory)
          .Add(
              ", but Windows does not look there for a library's own DLLs: put it beside the tool");
      if (has_program) message.Add(", in ").AddWide(program);
    } else {
      switch (VisualCppRuntime(name)) {
        case RuntimeKind::kRelease:
          message.Add(
              ". It is part of the Visual C++ runtime: install the Visual C++ "
              "Redistributable (x64)");
          break;
        case RuntimeKind::kDebug:
          message.Add(
              ". It is part of the debug Visual C++ runtime, so the library is a debug "
              "build; those files are not redistributable and belong on no other machine: "
              "use the library's release build");
          break;
        case RuntimeKind::kNone:
          message.Add(". Put it beside the tool");
          if (has_program) message.Add(", in ").AddWide(program);
          message.Add(", or install what provides it");
          break;
      }
    }
    finding.Field("name").Add(name);
    finding.Field("needed_by").AddWide(needed_by);
  }
};

// At file scope: a function's static would need a thread-safe guard, and that
// pulls half of the C++ runtime into the program.
DependencyWalk walk;

void ExplainFile(SystemInterface& system, const CommandOptions& options, const WideChar* file,
                 Report* report) {
  FileView view;
  if (!system.MapFile(file, &view)) return;
  const ImageInfo image = ReadImageInfo(view.bytes, view.size);
  const NativeLibraryFormat& native = kNativeLibraryFormat;
  FixedText<64> machine;
  AddMachineName(image, machine);
  FixedText<64> native_machine;
  AddMachineName({native.portable_executable ? ImageFormat::kPortableExecutable : ImageFormat::kElf,
                  native.machine, true},
                 native_machine);
  const auto begin = [&](const char* code) -> Text& {
    Finding& finding = report->Add(code, Severity::kError);
    if (strcmp(code, "library-wrong-architecture") == 0) finding.Field("machine").Add(machine);
    return finding.message.AddWide(file);
  };
  switch (image.format) {
    case ImageFormat::kEmpty:
      begin("library-empty")
          .Add(
              " is empty (0 bytes): a copy or download that did not finish. "
              "Put the library itself there");
      break;
    case ImageFormat::kText: {
      Text& message =
          begin("library-not-windows").Add(" is a text file, not a library; it begins: \"");
      AddFirstLine(view.bytes, view.size, 60, message);
      message.Add("\"");
      break;
    }
    case ImageFormat::kOther:
      begin("library-not-windows")
          .Add(native.portable_executable ? " is not a Windows library at all"
                                          : " is not a library at all");
      break;
    case ImageFormat::kElf:
      if (native.portable_executable) {
        begin("library-not-windows")
            .Add(" is an ELF library, for Linux or another Unix, not a Windows library");
      } else if (image.machine != native.machine || !image.is_64_bit) {
        begin("library-wrong-architecture")
            .Add(" is an ELF library for ")
            .Add(machine)
            .Add(", and the tool is a 64-bit ")
            .Add(native_machine)
            .Add(" program: it can load only libraries built for that");
      }
      break;
    case ImageFormat::kPortableExecutable:
      if (!native.portable_executable) {
        begin("library-not-windows").Add(" is a Windows library, which the host build cannot load");
      } else if (image.machine != native.machine) {
        begin("library-wrong-architecture")
            .Add(" is a library for ")
            .Add(machine)
            .Add(", and the tool is a 64-bit ")
            .Add(native_machine)
            .Add(" program, which can load only ")
            .Add(native_machine)
            .Add(" libraries: put the library's ")
            .Add(native_machine)
            .Add(" build there");
      } else {
        walk.system = &system;
        walk.options = &options;
        walk.report = report;
        walk.seen_count = 0;
        walk.Walk(file, kLibraryFileName, 0);
      }
      break;
  }
  system.UnmapFile(view);
}

}  // namespace

void ExplainLoadFailure(SystemInterface& system, const CommandOptions& options,
                        const RunTrace& trace, Report* report) {
  ReadSearchFolders(system);
  if (trace.load_faulted) {
    AddFaultFinding(trace.load_fault, LibraryStep::kLoad, true, report);
    return;
  }
  const LoadError& error = trace.load_error;
  if (error.has_code && error.code == kErrorDllInitFailed) {
    Finding& finding = report->Add("library-refused-to-load", Severity::kError);
    finding.message.AddWide(trace.requested)
        .Add(" was found, but its start-up code (DllMain) refused to load (error 1114: ")
        .Add(error.text)
        .Add(
            "): it found something missing on this machine that it needs, which only the "
            "library's own documentation or log can name");
    return;
  }
  const size_t finding_count = report->finding_count;
  WideChar file[kPathCapacity];
  bool have_file = false;
  if (options.LibraryDirectory[0] != 0) {
    if (system.ProbePath(options.LibraryDirectory) != PathKind::kDirectory) {
      if (report->Has("directory-ends-in-quote")) return;
      Finding& finding = report->Add("directory-not-found", Severity::kError);
      finding.message.Add("the directory given with -p:, ")
          .AddWide(options.LibraryDirectory)
          .Add(", does not exist on this machine");
      return;
    }
    if (system.ProbePath(trace.requested) != PathKind::kFile) {
      Finding& finding = report->Add("library-not-found", Severity::kError);
      finding.message.Add("there is no ")
          .AddWide(trace.requested)
          .Add(
              ": with -p: the tool loads that file and nothing else, with no fallback to its own "
              "folder or the system's search");
      return;
    }
    memcpy(file, trace.requested, sizeof file);
    have_file = true;
  } else {
    have_file = FindAlongSearch(system, kLibraryFileName, file) != nullptr;
    if (!have_file) {
      Finding& finding = report->Add("library-not-found", Severity::kError);
      finding.message.Add(
          "cdintf400.dll is in none of the folders searched for it, in this order: ");
      AddFolderList(finding.message);
      finding.message.Add(". Put it beside the tool");
      return;
    }
  }
  if (have_file) ExplainFile(system, options, file, report);
  if (report->finding_count != finding_count) return;
  Finding& finding = report->Add("library-load-failed", Severity::kError);
  finding.message.AddWide(trace.requested).Add(" could not be loaded: ");
  if (error.has_code) finding.message.Add("error ").AddNumber(error.code).Add(", ");
  finding.message.Add(error.text);
  if (error.has_code) finding.Field("error").AddNumber(error.code);
  finding.Field("error_text").Add(error.text);
}

void ExplainLoadedLibrary(SystemInterface& system, const CommandOptions& options,
                          const RunTrace& trace, Report* report) {
  report->file_version.Clear();
  char version[32];
  if (system.FileVersion(LibraryShown(trace), version, sizeof version)) {
    report->file_version.Add(version);
  }
  if (options.LibraryDirectory[0] != 0) return;
  ReadSearchFolders(system);
  WideChar found[kPathCapacity];
  const SearchFolder* folder = FindAlongSearch(system, kLibraryFileName, found);
  if (folder == nullptr || folder->kind == FolderKind::kProgram ||
      folder->kind == FolderKind::kSystem) {
    return;
  }
  Finding& finding = report->Add("library-outside-trusted-folders", Severity::kWarning);
  finding.message.Add("the library was found in ")
      .AddWide(folder->path)
      .Add(", ")
      .Add(FolderKindName(folder->kind))
      .Add(
          ", not beside the tool or in a system folder: whoever can write there chooses the code "
          "that runs with the installer's rights. Put the library beside the tool");
}

void ExplainEntryPoints(const RunTrace& trace, RunOutcome outcome, bool removal, int exit_status,
                        Report* report) {
  const Severity if_it_fails = exit_status == kExitFailure ? Severity::kError : Severity::kWarning;
  if (trace.start == Presence::kMissing) {
    Finding& finding = report->Add("start-entry-point-missing", if_it_fails);
    finding.message.Add("the library exports no PDFDriverInit, so no driver can be started");
    finding.message.Add(removal ? ": a removal finds nothing to remove and succeeds, and any "
                                  "printer the library set up stays"
                                : ": it is not the converter library the tool drives, or not a "
                                  "version of it that the tool knows");
  }
  if (trace.end == Presence::kMissing && trace.start == Presence::kFound) {
    // An error only where the run asked for it and ended on its absence.
    Finding& finding =
        report->Add("end-entry-point-missing",
                    Resolved(trace, kEndEntryPoint) ? if_it_fails : Severity::kWarning);
    finding.message.Add("the library exports no DriverEnd, so a started driver cannot be ended");
    finding.message.Add(removal ? ": the removal starts the driver and then fails"
                                : ": this install works, but a removal (-u) will fail");
  }
  if (outcome == RunOutcome::kStartReturnedNull) {
    Finding& finding = report->Add("start-returned-no-handle", if_it_fails);
    finding.message.Add("PDFDriverInit returned null: the library did not start its driver");
    finding.message.Add(removal ? ", so there was nothing to remove"
                                : ". The library's own log, or the system's printer set-up, "
                                  "may say why");
  }
}

const char* FaultPlace(LibraryStep step) {
  switch (step) {
    case LibraryStep::kLoad:
      return "while loading, in its start-up code";
    case LibraryStep::kStart:
      return "in PDFDriverInit";
    case LibraryStep::kEnd:
      return "in DriverEnd";
    case LibraryStep::kRelease:
      return "while being unloaded";
    case LibraryStep::kNone:
      break;
  }
  return "outside the library's calls";
}

void AddFaultFinding(const Fault& fault, LibraryStep step, bool caught, Report* report) {
  const FaultDescription description = DescribeFault(fault);
  const char* const during = StepName(step);
  const bool in_library = step != LibraryStep::kNone;
  // Caught at release, the run's own result stands; anywhere else it fails.
  const bool stands = caught && step == LibraryStep::kRelease;
  Finding& finding = report->Add(in_library ? "library-fault" : "doctor-fault",
                                 stands ? Severity::kWarning : Severity::kError);
  if (in_library) {
    finding.message.Add("the library faulted ").Add(FaultPlace(step));
  } else {
    finding.message.Add("the doctor itself faulted, ").Add(FaultPlace(step));
  }
  finding.message.Add(": ")
      .Add(description.kind)
      .Add(" ")
      .Add(description.code)
      .Add(", ")
      .Add(description.meaning)
      .Add(", at address ")
      .AddHex(fault.address, 2 * sizeof(uintptr_t));
  if (caught) {
    finding.message.Add(stands ? ". The loader caught it and finished the release"
                               : ". The loader caught it and failed the load");
  } else {
    finding.message.Add(". The tool ends such a run at once, with exit status 1");
  }
  if (in_library) {
    finding.message.Add(". Give this to the library's maker, with the library's file version");
  }
  finding.Field("fault").Add(description.kind).Add(" ").Add(description.code);
  finding.Field("during").Add(during);
}

RuntimeKind VisualCppRuntime(const char* name) {
  char lower[sizeof ImportName::text];
  size_t length = 0;
  for (; name[length] != 0 && length + 1 < sizeof lower; ++length) {
    const char c = name[length];
    lower[length] = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
  }
  lower[length] = 0;
  if (strcmp(lower, "ucrtbased.dll") == 0) return RuntimeKind::kDebug;
  if (strcmp(lower, "ucrtbase.dll") == 0) return RuntimeKind::kRelease;
  if (length < 5 || strcmp(lower + length - 4, ".dll") != 0) return RuntimeKind::kNone;
  static const char* const kStems[] = {"vcruntime", "msvcp", "msvcr", "concrt",
                                       "vccorlib",  "vcomp", "mfc"};
  for (const char* stem : kStems) {
    const size_t stem_length = strlen(stem);
    if (strncmp(lower, stem, stem_length) != 0) continue;
    if (lower[stem_length] < '0' || lower[stem_length] > '9') continue;
    return lower[length - 5] == 'd' ? RuntimeKind::kDebug : RuntimeKind::kRelease;
  }
  return RuntimeKind::kNone;
}
