// What "Inform Us" sends: the subject, the mail headers and the body built
// from the report and what the user typed, and the multipart form that
// carries them to the report address.
#pragma once

#include "core/string.h"

inline constexpr char kReportExtraHeader[] = "X-Veltronix-Internal: 2";
inline constexpr char kReportFormBoundary[] = "AaB03x";
inline constexpr char kReportFormContentType[] = "multipart/form-data; boundary=AaB03x";

// All texts 8-bit.
struct CrashPost {
  String subject;
  String headers;
  String body;
};

// `program_file` is the running executable's file name without its folder.
CrashPost BuildCrashPost(const String& report, const String& email, const String& comments,
                         const String& program_file);

// The form body: "from", "body", "subject", "headers" in this order.
String EncodeCrashForm(const String& sender, const CrashPost& post);
