#include "doctor/command_line_findings.h"

#include "driver/converter_library.h"

namespace {

constexpr size_t kShownUnits = 120;

bool IsIntroducer(WideChar unit) { return unit == '-' || unit == '/'; }

bool Contains(const WideChar* text, WideChar wanted) {
  for (; *text != 0; ++text) {
    if (*text == wanted) return true;
  }
  return false;
}

// An argument as it was given, in quotes, cut short when long.
void AddQuoted(const WideChar* text, Text& out) {
  WideChar shown[kShownUnits + 1];
  const size_t length = BoundedLength(text, kShownUnits);
  for (size_t i = 0; i < length; ++i) shown[i] = text[i];
  shown[length] = 0;
  out.Add("\"").AddWide(shown).Add(text[length] != 0 ? "...\"" : "\"");
}

void AddDirectoryLength(size_t length, Text& out) {
  out.Add("the directory is ")
      .AddNumber(length)
      .Add(" characters long, and the tool takes at most ")
      .AddNumber(kMaxLibraryDirectoryLength)
      .Add(": with \\cdintf400.dll added, its path must fit the ")
      .AddNumber(kPathCapacity - 1)
      .Add(" characters of the classic path limit. Move the library to a shorter folder");
}

}  // namespace

void ExplainRejectedCommandLine(const CommandLineRejection& rejection, int argc, int kept,
                                const WideChar* const* argv, Report* report) {
  const int position = rejection.argument;
  switch (rejection.reason) {
    case RejectionReason::kTooManyArguments: {
      Finding& finding = report->Add("command-line-rejected", Severity::kError);
      finding.message.Add("the tool takes at most two arguments, -u and -p:DIR, and ")
          .AddNumber(static_cast<uint64_t>(argc - 1))
          .Add(" were given (");
      for (int index = 1; index < kept; ++index) {
        if (index != 1) finding.message.Add(", ");
        AddQuoted(argv[index], finding.message);
      }
      if (kept < argc) finding.message.Add(", ...");
      finding.message.Add(
          "): give each option once, with the directory in the same argument as -p:");
      finding.Field("argument").AddNumber(static_cast<uint64_t>(position));
      return;
    }
    case RejectionReason::kDirectoryTooLong: {
      Finding& finding = report->Add("directory-too-long", Severity::kError);
      finding.message.Add("argument ").AddNumber(static_cast<uint64_t>(position)).Add(": ");
      size_t length = 0;
      while (rejection.directory[length] != 0) ++length;
      AddDirectoryLength(length, finding.message);
      finding.Field("length").AddNumber(length);
      return;
    }
    case RejectionReason::kNotAnOption:
      break;
  }

  // Not an option: the advice below guesses what was meant from its text.
  const WideChar* const argument = argv[position];
  const WideChar* const next = position + 1 < kept ? argv[position + 1] : nullptr;
  Finding& finding = report->Add("command-line-rejected", Severity::kError);
  Text& message = finding.message;
  message.Add("argument ").AddNumber(static_cast<uint64_t>(position)).Add(" (");
  AddQuoted(argument, message);
  message.Add(") is not one of the tool's options: ");
  // After an empty -p:, whatever it is, this is most likely the directory itself.
  const WideChar* const previous = position > 1 ? argv[position - 1] : nullptr;
  const bool after_empty_directory = previous != nullptr && IsIntroducer(previous[0]) &&
                                     previous[1] == 'p' && previous[2] == ':' && previous[3] == 0;
  const bool looks_like_path =
      Contains(argument, '\\') || Contains(argument, '/') || Contains(argument, ':');
  if (argument[0] == 0) {
    message.Add("it is empty. Leave it out");
  } else if (after_empty_directory || (!IsIntroducer(argument[0]) && looks_like_path)) {
    message.Add(
        "a directory given as an argument of its own. The directory follows -p: in the "
        "same argument: \"-p:");
    message.AddWide(argument).Add("\"");
  } else if (!IsIntroducer(argument[0])) {
    message.Add("options begin with - or /, such as -u");
  } else if (argument[1] == 0) {
    message.Add("a lone ").AddWide(argument).Add(" is no option; the options are -u and -p:DIR");
  } else if (IsIntroducer(argument[1])) {
    message.Add(
        "the tool's options begin with a single - or /, such as -u. The doctor's own "
        "options, which begin with --, must come before the tool's");
  } else if (argument[1] == 'U' || argument[1] == 'P') {
    message.Add("options are case-sensitive: write -")
        .Add(argument[1] == 'U' ? "u" : "p:")
        .Add(", in lower case");
  } else if (argument[1] == 'p') {
    message.Add("-p needs its colon, and the directory follows it in the same argument: \"-p:");
    if (next != nullptr && next[0] != 0 && !IsIntroducer(next[0])) {
      message.AddWide(next);
    } else {
      message.AddWide(argument + 2);
    }
    message.Add("\"");
  } else {
    message.Add("the options are -u (remove) and -p:DIR (load the library from DIR)");
  }
  finding.Field("argument").AddNumber(static_cast<uint64_t>(position));
  finding.Field("text").AddWide(argument);
}

void ExplainDirectory(SystemInterface& system, const CommandOptions& options, Report* report) {
  const WideChar* const directory = options.LibraryDirectory;
  if (directory[0] == 0) return;
  if (Contains(directory, '"') && system.ProbePath(directory) != PathKind::kDirectory) {
    WideChar meant[kPathCapacity];
    size_t length = 0;
    while (directory[length] != '"') {
      meant[length] = directory[length];
      ++length;
    }
    meant[length] = 0;
    const bool ends_in_quote = directory[length + 1] == 0;
    Finding& finding = report->Add("directory-ends-in-quote", Severity::kError);
    Text& message = finding.message;
    message.Add("the directory ");
    AddQuoted(directory, message);
    message.Add(ends_in_quote ? " ends in a quote" : " holds a quote and what followed it");
    message
        .Add(
            ": when Windows splits a command line, a backslash right before a closing quote "
            "escapes the quote, so \"-p:")
        .AddWide(meant)
        .Add("\\\" reaches the tool as ")
        .AddWide(meant)
        .Add("\"");
    if (!ends_in_quote) message.Add(" and the rest of the line");
    message.Add(". Write \"-p:").AddWide(meant).Add("\\.\" (a dot after the backslash) or \"-p:");
    message.AddWide(meant).Add("\" (no backslash at the end)");
    finding.Field("fixed").Add("\"-p:").AddWide(meant).Add("\\.\"");
    return;
  }
  if (!IsAbsolutePath(directory)) {
    Finding& finding = report->Add("directory-relative", Severity::kWarning);
    finding.message.Add("the directory ");
    AddQuoted(directory, finding.message);
    finding.message.Add(
        " is relative, so the library is looked for from whatever the current folder is: under a "
        "deferred Windows Installer custom action that is the system folder. Give the full path");
  }
}

void ExplainDirectoryTooLong(const CommandOptions& options, Report* report) {
  const size_t length = BoundedLength(options.LibraryDirectory, kPathCapacity);
  Finding& finding = report->Add("directory-too-long", Severity::kError);
  AddDirectoryLength(length, finding.message);
  finding.Field("length").AddNumber(length);
}
