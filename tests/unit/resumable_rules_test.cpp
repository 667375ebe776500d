#include "http/upload/resumable_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "http/core/responses.h"

namespace orvane {
namespace {

TEST(ResumableRulesTest, DecodesOnlyStrictBase64) {
  const struct {
    std::string text;
    std::optional<std::string> bytes;
  } cases[] = {
      {"", ""},
      {"YQ==", "a"},
      {"YWI=", "ab"},
      {"YWJj", "abc"},
      {"//4=", "\xFF\xFE"},
      {"YQ", std::nullopt},      // unpadded
      {"YR==", std::nullopt},    // bits past the byte not zero
      {"YWJ=", std::nullopt},    // the same with one byte of padding
      {"Y===", std::nullopt},    // three of padding
      {"Y=Jj", std::nullopt},    // padding inside
      {"YW Jj", std::nullopt},   // a blank
      {"YWJj\n", std::nullopt},  // a line break
      {"YW-_", std::nullopt},    // the URL alphabet
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.bytes, DecodeBase64(c.text));
  }
}

TEST(ResumableRulesTest, ReadsTheFileNameAndTimeFromTheMetadata) {
  const std::string kName = "filename cGhvdG8uanBn";  // photo.jpg
  const struct {
    std::optional<std::string> header;
    std::optional<std::string> filename;  // nullopt: refused
    std::optional<std::int64_t> modified = std::nullopt;
  } cases[] = {
      {kName, "photo.jpg"},
      {"filename 54Wn54mHIDEuanBn", "\xE7\x85\xA7\xE7\x89\x87 1.jpg"},  // 照片 1.jpg
      {kName + ",lastModified MTcwMDAwMDAwMDEyMw==", "photo.jpg", 1700000000123},
      {" lastModified LTEwMDA= , " + kName + ",filetype ", "photo.jpg", -1000},
      // A time that is no number of milliseconds is let go; the file is kept.
      {kName + ",lastModified bm90IGEgbnVtYmVy", "photo.jpg"},
      {kName + ",lastModified OTk5OTk5OTk5OTk5OTk5OTk=", "photo.jpg"},
      {kName + ",lastModified", "photo.jpg"},
      // The name is made safe later, whatever it holds.
      {"filename Li4vLi4veA==", "../../x"},
      {std::nullopt, std::nullopt},
      {"", std::nullopt},
      {"lastModified MTcwMDAwMDAwMDEyMw==", std::nullopt},
      {"filename", std::nullopt},
      {"filename //4=", std::nullopt},  // not UTF-8
      {"filename cGhvdG8uanBn=", std::nullopt},
      {kName + "," + kName, std::nullopt},
      {kName + ",,", std::nullopt},
      {kName + ",other YQ", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.header.value_or("(none)"));
    const std::optional<UploadMetadata> metadata = ParseUploadMetadata(c.header);
    ASSERT_EQ(c.filename.has_value(), metadata.has_value());
    if (!metadata) continue;
    EXPECT_EQ(*c.filename, metadata->filename);
    EXPECT_EQ(c.modified, metadata->last_modified_ms);
  }
}

ParsedRequest Parsed(const std::string& received) {
  return ParseRequest(received, CodePage::Utf8());
}

TEST(ResumableRulesTest, RefusesACreationWithTheStatusItsFaultCalls) {
  const std::string head = "POST /:upload HTTP/1.1\r\nTus-Resumable: 1.0.0\r\n";
  const std::string named = "Upload-Metadata: filename YQ==\r\n";
  const std::string stream = "Content-Type: application/offset+octet-stream\r\n";
  const struct {
    std::string request;
    std::string refusal;
    std::uint64_t length = 0;
    bool with_upload = false;
  } cases[] = {
      {head + "Upload-Length: 10\r\n" + named + "\r\n", "", 10},
      {head + "Upload-Length: 0\r\n" + named + "Content-Length: 0\r\n\r\n", "", 0},
      {head + "Upload-Length: 3\r\n" + named + stream + "Content-Length: 3\r\n\r\nabc", "", 3,
       true},
      {"POST /:upload HTTP/1.1\r\n" + std::string("Upload-Length: 3\r\n") + named + "\r\n",
       "412 Precondition Failed"},
      {"POST /:upload HTTP/1.1\r\nTus-Resumable: 0.2.2\r\nUpload-Length: 3\r\n" + named + "\r\n",
       "412 Precondition Failed"},
      {head + named + "\r\n", "400 Bad Request"},
      {head + "Upload-Length: -3\r\n" + named + "\r\n", "400 Bad Request"},
      {head + "Upload-Length: 3x\r\n" + named + "\r\n", "400 Bad Request"},
      {head + "Upload-Length: 3\r\nUpload-Metadata: filename Y\r\n\r\n", "400 Bad Request"},
      {head + "Upload-Length: 3\r\n\r\n", "400 Bad Request"},
      {head + "Upload-Length: 3\r\n" + named +
           "Content-Type: text/plain\r\nContent-Length: 3\r\n\r\n",
       "415 Unsupported Media Type"},
      {head + "Upload-Length: 3\r\n" + named + stream + "Transfer-Encoding: chunked\r\n\r\n",
       "411 Length Required"},
      {head + "Upload-Length: 3\r\n" + named + stream +
           "Content-Length: 1\r\nContent-Length: 2\r\n\r\n",
       "400 Bad Request"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.request);
    const CreationCheck check = CheckCreation(Parsed(c.request));
    EXPECT_EQ(c.refusal, check.refusal);
    if (!c.refusal.empty()) continue;
    EXPECT_EQ(c.length, check.ask.length);
    EXPECT_EQ(c.with_upload, check.ask.with_upload);
  }
}

TEST(ResumableRulesTest, RefusesAnAppendWithTheStatusItsFaultCalls) {
  const std::string head = "PATCH /:upload/x HTTP/1.1\r\nTus-Resumable: 1.0.0\r\n";
  const std::string stream = "Content-Type: Application/Offset+Octet-Stream\r\n";
  const struct {
    std::string request;
    std::string version_refusal;
    std::string refusal;  // at offset 5
  } cases[] = {
      {head + stream + "Upload-Offset: 5\r\nContent-Length: 2\r\n\r\n", "", ""},
      {head + stream + "Upload-Offset: 4\r\nContent-Length: 2\r\n\r\n", "", "409 Conflict"},
      {head + stream + "Upload-Offset: 6\r\nContent-Length: 2\r\n\r\n", "", "409 Conflict"},
      {head + stream + "Content-Length: 2\r\n\r\n", "", "400 Bad Request"},
      {head + stream + "Upload-Offset: five\r\nContent-Length: 2\r\n\r\n", "", "400 Bad Request"},
      {head + "Content-Type: application/octet-stream\r\nUpload-Offset: 5\r\n\r\n", "",
       "415 Unsupported Media Type"},
      {head + "Upload-Offset: 5\r\nContent-Length: 2\r\n\r\n", "", "415 Unsupported Media Type"},
      {head + stream + "Upload-Offset: 5\r\n\r\n", "", "411 Length Required"},
      {head + stream + "Upload-Offset: 5\r\nContent-Length: 2", "",
       "431 Request Header Fields Too Large"},
      {"PATCH /:upload/x HTTP/1.1\r\n" + stream + "Upload-Offset: 5\r\nContent-Length: 2\r\n\r\n",
       "412 Precondition Failed", ""},
      {"PATCH /:upload/x HTTP/1.1\r\nTus-Resumable: 1.0\r\n\r\n", "412 Precondition Failed",
       "415 Unsupported Media Type"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.request);
    const ParsedRequest request = Parsed(c.request);
    EXPECT_EQ(c.version_refusal, VersionRefusal(request));
    EXPECT_EQ(c.refusal, AppendRefusal(request, 5));
  }
}

TEST(ResumableRulesTest, PausesAnIdleUploadAfterAMinuteAndRemovesItAfterAnHour) {
  const struct {
    std::int64_t idle_ms;
    bool told;
    IdleStep step;
  } cases[] = {
      {0, false, IdleStep::kNothing},          {59999, false, IdleStep::kNothing},
      {60000, false, IdleStep::kTellPaused},   {60000, true, IdleStep::kNothing},
      {3599999, false, IdleStep::kTellPaused}, {3599999, true, IdleStep::kNothing},
      {3600000, true, IdleStep::kRemove},      {3600000, false, IdleStep::kRemove},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.idle_ms) + (c.told ? " told" : ""));
    EXPECT_EQ(c.step, StepForIdle(c.idle_ms, c.told));
  }
  // Upload-Expires: an hour after the last byte, as an HTTP date.
  EXPECT_EQ("Thu, 01 Jan 1970 01:00:00 GMT", ExpiresText(0, 0));
  EXPECT_EQ("Thu, 01 Jan 1970 00:59:10 GMT", ExpiresText(10, 60000));
  EXPECT_EQ("Thu, 01 Jan 1970 00:00:10 GMT", ExpiresText(10, 9000000));
}

TEST(ResumableRulesTest, MakesUnguessableIdsAndKnowsThemAgain) {
  const std::string id = UploadIdFrom(std::string("\x00\x01\xAB\xFF", 4) + std::string(12, 'z'));
  EXPECT_EQ("0001abff7a7a7a7a7a7a7a7a7a7a7a7a", id);
  EXPECT_EQ("/:upload/" + id, UploadAddress(id));
  const std::pair<std::string, bool> cases[] = {
      {id, true},
      {std::string(32, 'f'), true},
      {std::string(31, 'f'), false},
      {std::string(33, 'f'), false},
      {std::string(31, 'f') + "F", false},
      {std::string(31, 'f') + "g", false},
      {std::string(30, 'f') + "/x", false},
      {"", false},
  };
  for (const auto& [text, valid] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(valid, IsUploadId(text));
  }
}

TEST(ResumableRulesTest, AnswersWithTheProtocolsHeadLines) {
  const std::string top = "Server: OrvaneServer/1.0\r\nDate: D\r\nConnection: close\r\n";
  const std::string resumable = "Tus-Resumable: 1.0.0\r\n";
  const std::string none = "Content-Length: 0\r\nContent-Type: text/plain\r\n";
  const std::string expires = "Upload-Expires: E";
  const struct {
    std::string what;
    Reply reply;
    std::string head;
  } cases[] = {
      {"options", OptionsReply(1000),
       "HTTP/1.1 204 No Content\r\n" + top + resumable +
           "Tus-Version: 1.0.0\r\nTus-Extension: "
           "creation,creation-with-upload,termination,expiration\r\nTus-Max-Size: 1000\r\n\r\n"},
      {"options, room unknown", OptionsReply(std::nullopt),
       "HTTP/1.1 204 No Content\r\n" + top + resumable +
           "Tus-Version: 1.0.0\r\nTus-Extension: "
           "creation,creation-with-upload,termination,expiration\r\n\r\n"},
      {"created", CreatedReply("ab", std::nullopt, "E"),
       "HTTP/1.1 201 Created\r\n" + top + "Content-Length: 0\r\nLocation: /:upload/ab\r\n" +
           "Content-Type: text/plain\r\n" + resumable + expires + "\r\n\r\n"},
      {"created with bytes, whole", CreatedReply("ab", 7, ""),
       "HTTP/1.1 201 Created\r\n" + top + "Content-Length: 0\r\nLocation: /:upload/ab\r\n" +
           "Content-Type: text/plain\r\n" + resumable + "Upload-Offset: 7\r\n\r\n"},
      {"offset", OffsetReply(5, 9, "E"),
       "HTTP/1.1 200 OK\r\n" + top + none + resumable + "Upload-Offset: 5\r\nUpload-Length: 9\r\n" +
           expires + "\r\nCache-Control: no-store\r\n\r\n"},
      {"appended", AppendedReply("204 No Content", 9, "E"),
       "HTTP/1.1 204 No Content\r\n" + top + resumable + "Upload-Offset: 9\r\n" + expires +
           "\r\n\r\n"},
      {"past the length", AppendedReply("400 Bad Request", 9, ""),
       "HTTP/1.1 400 Bad Request\r\n" + top + none + resumable + "Upload-Offset: 9\r\n\r\n"},
      {"another version", ResumableReply("412 Precondition Failed"),
       "HTTP/1.1 412 Precondition Failed\r\n" + top + none + resumable +
           "Tus-Version: 1.0.0\r\n\r\n"},
      {"unknown", ResumableReply("404 Not Found"),
       "HTTP/1.1 404 Not Found\r\n" + top + none + resumable + "\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Reply::Body::kNone, c.reply.body);
    EXPECT_EQ(c.head, BuildHead(c.reply.head, "D"));
  }
}

TEST(ResumableRulesTest, TellsTheOperatorInGbk) {
  EXPECT_EQ("\xC9\xCF\xB4\xAB\xD2\xD1\xD4\xDD\xCD\xA3: a.mp4 (33%)\r\n",
            PausedLogLine("a.mp4", 1, 3));
  EXPECT_EQ("\xC9\xCF\xB4\xAB\xD2\xD1\xD4\xDD\xCD\xA3: b (99%)\r\n",
            PausedLogLine("b", UINT64_MAX - 1, UINT64_MAX));
  EXPECT_EQ("\xCE\xB4\xCD\xEA\xB3\xC9\xB5\xC4\xC9\xCF\xB4\xAB\xD2\xD1\xC9\xBE\xB3\xFD: a.mp4\r\n",
            RemovedLogLine("a.mp4"));
}

}  // namespace
}  // namespace orvane
