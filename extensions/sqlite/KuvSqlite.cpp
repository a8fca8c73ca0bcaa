#include "KuvSqlite.h"

#include <sqlite3ext.h>

#include <Kuv.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

SQLITE_EXTENSION_INIT1

namespace {

// Silent channels for the guard's lifetime. Calls on several threads share
// one silence: the first saves the flags, the last gives them back, so an
// overlap cannot leave a channel silent for good.
class TraceSilence {
public:
  TraceSilence() {
    const std::lock_guard<std::mutex> lock(s_mutex);
    if (s_holders++ != 0) return;
    const auto channels = KuvFilterHandler::filteringTraceChannels();
    s_saved.resize(channels.size());
    for (std::size_t i = 0; i < channels.size(); ++i) {
      s_saved[i] = channels[i]->getFlags();
      channels[i]->setFlags(0);
    }
  }
  ~TraceSilence() {
    const std::lock_guard<std::mutex> lock(s_mutex);
    if (--s_holders != 0) return;
    const auto channels = KuvFilterHandler::filteringTraceChannels();
    for (std::size_t i = 0; i < channels.size(); ++i) channels[i]->setFlags(s_saved[i]);
  }
  TraceSilence(const TraceSilence&) = delete;
  TraceSilence& operator=(const TraceSilence&) = delete;

private:
  static inline std::mutex s_mutex;
  static inline int s_holders = 0;
  static inline std::vector<unsigned char> s_saved;
};

void resultError(sqlite3_context* context, const char* what, HRESULT hr) {
  char message[96];
  std::snprintf(message, sizeof message, "kuv: %s (0x%08" PRIX32 ")", what, static_cast<std::uint32_t>(hr));
  sqlite3_result_error(context, message, -1);
}

// SQLite cannot unwind C++: every function body runs inside this.
template <class Body>
void guarded(sqlite3_context* context, Body&& body) noexcept {
  try {
    body();
  } catch (const std::bad_alloc&) {
    sqlite3_result_error_nomem(context);
  } catch (...) {
    sqlite3_result_error(context, "kuv: unexpected failure", -1);
  }
}

const std::uint8_t* bytesOf(sqlite3_value* value, unsigned int& size) {
  const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_value_blob(value));
  size = static_cast<unsigned int>(sqlite3_value_bytes(value));
  return bytes;
}

// What a statement keeps of a filter that stays the same value (SQLite's
// auxiliary data of argument 0). Holding the silence with it spares a
// silence per row: it lasts until SQLite discards the filter, when the
// statement is done, reset or finalized, or after the call for a filter
// that changes from row to row.
struct Prepared {
  Prepared(const std::uint8_t* filter, unsigned int size) : handler(filter, size, 0) {}

  const TraceSilence silence;  // first, so that reading the filter is silent too
  const KuvFilterHandler handler;
};

void deletePrepared(void* prepared) { delete static_cast<Prepared*>(prepared); }

void visible(sqlite3_context* context, int, sqlite3_value** arguments) {
  if (sqlite3_value_type(arguments[0]) == SQLITE_NULL || sqlite3_value_type(arguments[1]) == SQLITE_NULL)
    return;
  guarded(context, [&] {
    std::unique_ptr<Prepared> decoded;
    const auto* prepared = static_cast<const Prepared*>(sqlite3_get_auxdata(context, 0));
    if (prepared == nullptr) {
      unsigned int filterSize = 0;
      const std::uint8_t* filter = bytesOf(arguments[0], filterSize);
      decoded = std::make_unique<Prepared>(filter, filterSize);
      if (decoded->handler.isValid() != S_OK)
        return resultError(context, "the filter is not a readable compiled filter",
                           decoded->handler.isValid());
      prepared = decoded.get();
    }
    const KuvFilterHandler* handler = &prepared->handler;
    unsigned int size = 0;
    const std::uint8_t* object = bytesOf(arguments[1], size);
    int answer = -1;
    if (FAILED(handler->Apply(object, size, answer))) {
      // Unreadable, or the test failed: the list form tells them apart as
      // ApplyQuery does. Rare, so its allocation does not matter.
      int* answers = nullptr;
      const HRESULT hr = handler->Apply(&object, &size, 1, answers);
      const std::unique_ptr<int, decltype(&std::free)> owned(answers, &std::free);
      if (FAILED(hr)) return resultError(context, "the intersection test failed", hr);
      answer = answers[0];
    }
    if (answer >= 0) sqlite3_result_int(context, answer);
    // SQLite may free it within this call: it is not used after.
    if (decoded) sqlite3_set_auxdata(context, 0, decoded.release(), deletePrepared);
  });
}

void domains(sqlite3_context* context, int, sqlite3_value** arguments) {
  if (sqlite3_value_type(arguments[0]) == SQLITE_NULL) return;
  guarded(context, [&] {
    const TraceSilence silence;
    unsigned int size = 0;
    const std::uint8_t* bytes = bytesOf(arguments[0], size);
    KuvBioBuffer in(bytes, size, 0);
    KuvInListVal ids(KuvInIntHolder::sType());
    if (KuvCompiledBinaryParser::GetValuatedDomains(in, ids) != S_OK) return;
    sqlite3_int64 mask = 0;
    for (std::int32_t i = 0; i < ids.GetLength(); ++i)
      mask |= sqlite3_int64{1} << (KuvInIntHolder::cast(*ids.Get(i))->getValue() - 1);
    sqlite3_result_int64(context, mask);
  });
}

void version(sqlite3_context* context, int, sqlite3_value**) {
  sqlite3_result_text(context, KuvVersion(), -1, SQLITE_STATIC);
}

}  // namespace

int sqlite3_kuvsqlite_init(sqlite3* db, char** errorMessage, const sqlite3_api_routines* api) {
  SQLITE_EXTENSION_INIT2(api);
  constexpr int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
  int rc = sqlite3_create_function(db, "kuv_visible", 2, flags, nullptr, visible, nullptr, nullptr);
  if (rc == SQLITE_OK)
    rc = sqlite3_create_function(db, "kuv_domains", 1, flags, nullptr, domains, nullptr, nullptr);
  if (rc == SQLITE_OK)
    rc = sqlite3_create_function(db, "kuv_version", 0, flags, nullptr, version, nullptr, nullptr);
  if (rc != SQLITE_OK && errorMessage != nullptr)
    *errorMessage = sqlite3_mprintf("kuv: %s", sqlite3_errmsg(db));
  return rc;
}
