// The tool's envelope around the library's binaries that name dictionary
// objects only by position in dependency lists: the lists travel with the
// binary as typed-GUID tables (KuvBioTypedIdsReader.h) of their objects, so
// that a reader with the same model rebuilds them. Integers are big-endian:
//
//   offset  width     content
//   0       3         "kuv"
//   3       1         envelope version 1
//   4       1         number of tables T
//   5       T tables  per table: its count N, then per object its kind byte
//                     and its GUID (4 + 17 N bytes)
//   ...     the rest  the payload, which begins with its own magic
//
// Payloads:
//   "net"            the dependency services' binary expression of a
//                    definition (KuvBinaryExprWriter.h); T = 2, the final
//                    dependencies, then the others.
//   "ebe"/"fbe"/"cbe" the binary expression (KuvBinaryExprParser.h) of one
//                    domain, Config Change; T = 9, lists 1 to 9 of its
//                    KuvBinaryExprData (the volatile list is rebuilt from
//                    the model, as the library does).
//
// An object is named by kind and GUID together: a model and its unit series
// share a GUID. Kind 0 stands for the objects a table has no kind for
// (revisions, tree-series elements, milestones). The library hands the
// lists over in no fixed order; here each stands in increasing order of
// GUID, then kind, and the payload is written against that order, so one
// expression always gives the same bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "KuvCliModel.h"

namespace kuv_cli {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t sc_envelopeVersion = 1;
constexpr std::uint32_t sc_envelopeHeaderSize = 5;
constexpr std::uint8_t sc_netTables = 2;
constexpr std::uint8_t sc_ebeTables = 9;

// The names of an ebe payload's tables, in order.
extern const char* const sc_ebeTableNames[sc_ebeTables];

// Whether the bytes begin with a magic of the library's binary
// expressions, which are unreadable without their lists.
bool isBareBinaryExpression(const Bytes& bytes);

// false with the reason in error.
bool encodeNet(const Model& model, const KuvEeGenericExpression& expression, Bytes& bytes,
               std::string& error);
// version: 1 or 2, see KuvBinaryExprParser.h.
bool encodeEbe(const Model& model, const KuvEeExpression& expression, unsigned int version, Bytes& bytes,
               std::string& error);

// What an envelope holds: its tables resolved in the model (they refer to
// its objects), and where the payload begins.
struct Envelope {
  std::vector<KuvInList> tables;
  std::uint32_t payloadAt = 0;
  std::string payload;  // the payload's magic: "net" or "ebe", "fbe", "cbe"
};

// Reads the header and the tables, and checks that the payload's magic
// goes with their number; false with the reason in error.
bool openEnvelope(const Model& model, const Bytes& bytes, Envelope& envelope, std::string& error);

// The net payload's two lists as one, as its indices count them.
KuvInList netDependencies(const Envelope& envelope);

// The data an ebe payload was written against, pointing at the payload.
bool ebeData(const Model& model, const Envelope& envelope, const Bytes& bytes, KuvBinaryExprData& data,
             std::string& error);

// The expression a net payload holds, the caller's; null with the reason in
// error.
KuvEeGenericExpression* decodeNet(const Envelope& envelope, const Bytes& bytes, std::string& error);

// The expressions of an ebe payload with their domain ids, the caller's;
// they refer to the objects of data (filled here, see ebeData), which must
// outlive them. false with the reason in error.
using Domains = std::vector<std::pair<std::uint8_t, std::unique_ptr<KuvEeExpression>>>;
bool decodeEbe(const Model& model, const Envelope& envelope, const Bytes& bytes, KuvBinaryExprData& data,
               Domains& domains, std::string& error);

// A binary keeps a negated leaf as a Not above it: the Not goes back into
// the leaf, and only there, so that the expression reads as written.
bool foldNots(KuvEeGenericExpression& expression);

}  // namespace kuv_cli
