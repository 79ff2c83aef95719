#include "crash/crash_post.h"

#include "core/format.h"

namespace {

void AppendField(String& form, const char* name, const String& value) {
  AppendFormat(form, "--%s\r\nContent-Disposition: form-data; name=\"%s\"\r\n\r\n", kReportFormBoundary, name);
  form.Append(value);
  form.Append("\r\n");
}

}  // namespace

CrashPost BuildCrashPost(const String& report, const String& email, const String& comments,
                         const String& program_file) {
  CrashPost post;
  post.subject = Format("Exception - Installer 37.0: %s", program_file.c_str());
  String extra(kReportExtraHeader);
  extra.Trim();
  post.headers = extra;
  post.headers.Append("\r\n");
  post.body = report;
  if (!email.empty()) {
    AppendFormat(post.headers, "X-Exception-Email: %s\r\nReply-To: %s\r\n", email.c_str(), email.c_str());
    post.body.Append("\r\nEmail: ");
    post.body.Append(email);
    post.body.Append("\r\n");
  }
  if (!comments.empty()) {
    post.body.Append("\r\nComments:\r\n");
    post.body.Append(comments);
  }
  return post;
}

String EncodeCrashForm(const String& sender, const CrashPost& post) {
  String form;
  AppendField(form, "from", sender);
  AppendField(form, "body", post.body);
  AppendField(form, "subject", post.subject);
  AppendField(form, "headers", post.headers);
  AppendFormat(form, "--%s--\r\n", kReportFormBoundary);
  return form;
}
