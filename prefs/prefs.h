#pragma once
// The user preferences: one record for the whole run, owned by the display
// and lent to the Browser, kept under "Software\Corvale\Tovrin\Options".
#include <cstdint>
#include <string>

#include "prefs/list_text.h"

// flags
constexpr uint8_t PREF_LOAD_ON_STARTUP = 0x01;     // go to the home page at start-up
constexpr uint8_t PREF_NEWCONTEXT_HISTORY = 0x02;  // NEWCONTEXT also drops the contexts
constexpr uint8_t PREF_SHARED_VARIABLES = 0x04;    // a new deck starts with a copy of the variables

// bearer
constexpr uint8_t BEARER_SMS = 3;
constexpr uint8_t BEARER_CSD = 5;

// Defaults. The gateway and home page are the bundled demo site behind
// the local gateway that ./run starts.
constexpr const char PREF_DEFAULT_PROXY[] = "127.0.0.1";
constexpr uint32_t PREF_DEFAULT_PORT = 9201;
constexpr const char PREF_DEFAULT_HOME[] = "http://127.0.0.1:8080/index.wml";
constexpr uint8_t PREF_DEFAULT_FLAGS = PREF_LOAD_ON_STARTUP;
constexpr uint8_t PREF_DEFAULT_BEARER = BEARER_CSD;
constexpr uint32_t PREF_DEFAULT_SDU_SIZE = 1500;
constexpr uint8_t PREF_DEFAULT_PUSH = 0;
constexpr uint32_t PREF_DEFAULT_MOR_METHOD = 8;
constexpr uint32_t PREF_DEFAULT_MOR_PUSH = 0;
constexpr uint32_t PREF_DEFAULT_CACHE_MIN = 102400;
constexpr uint32_t PREF_DEFAULT_CACHE_MAX = 204800;

constexpr const char PREF_KEY[] = "Software\\Corvale\\Tovrin\\Options";

// Stored values larger than these are not believed and read as missing.
constexpr uint32_t PREF_MAX_TEXT = 64 * 1024;
constexpr uint32_t PREF_MAX_LIST = 1024 * 1024;

struct UserPrefs {
    std::string proxy;        // "Proxy": gateway host name or dotted address
    uint32_t proxyPort = 0;   // "ProxyPort": 9201 connection-oriented, 9200 connectionless
    std::string homeUrl;      // "HomeURL"
    uint8_t flags = 0;        // "PrefFlag": PREF_LOAD_ON_STARTUP, PREF_NEWCONTEXT_HISTORY,
                              // PREF_SHARED_VARIABLES
    uint8_t bearer = 0;       // "BearerService": BEARER_SMS or BEARER_CSD
    std::string myNumber;     // "MyNumber"
    std::string history;      // "History": list text of visited URLs; empty: not set
    std::string bookmarks;    // "Bookmarks": list text, title and URL pairs; empty: not set
    std::string lastVersion;  // "LastVersion" as read; empty when absent
    uint32_t sduSize = 0;     // "SDUSize": offered maximum SDU size
    uint8_t pushEnable = 0;   // "PushEnable"
    uint32_t morMethod = 0;   // "MORMethod": outstanding method requests
    uint32_t morPush = 0;     // "MORPush": outstanding push requests
};

// The running program's build string, "Build " and the special-build text.
std::string P_prefsBuildString();

// The defaults (releasing what the record held). The cache limits'
// defaults are set by whoever owns the cache (start-up, the form).
void setPrefDefaults(UserPrefs *prefs);
// Defaults, then the stored values. A first start, or a store missing any
// value (or holding one that cannot be used), is saved so that the store
// again holds every value. Returns a registry code: on failure to open the
// store the defaults stay and nothing is written.
int loadPrefs(UserPrefs *prefs);
// Writes all thirteen values as one save; "LastVersion" is always the
// running build string. Returns a registry code.
int savePrefs(const UserPrefs *prefs);
// Releases the record's texts.
void P_freePrefs(UserPrefs *prefs);
