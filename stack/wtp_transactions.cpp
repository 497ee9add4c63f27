// WTP transaction records and their tables, TID and handle allocation.
#include <map>
#include <memory>

#include "common/clock.h"
#include "common/log.h"
#include "stack/udp_transport.h"
#include "stack/wtp.h"
#include "stack/wtp_timers.h"
#include "stack/wtp_transaction.h"

namespace {

std::map<uint32_t, std::unique_ptr<WtpTransaction>> gByHandle;  // every transaction, by handle
std::map<uint32_t, uint32_t> gByTid;                            // this side's transactions: tid -> handle
uint32_t gNextTid = 0;                                          // the TID the next Invoke takes, 0..32767
bool gTidDrawn = false;                                         // gNextTid holds a value (else draw one)
bool gTidNew = false;                                           // the counter has wrapped: every Invoke carries TIDnew
uint32_t gLastHandle = 0;                                       // the handle given last

const char *const STATE_NAMES[WTP_STATE_COUNT] = {
    "NULL/LISTEN",     "INIT RESULT WAIT",      "INIT RESULT RESP WAIT", "INIT WAIT TIMEOUT",     "INVALID",
    "RESP TIDOK WAIT", "RESP INVOKE RESP WAIT", "RESP RESULT WAIT",      "RESP RESULT RESP WAIT", "RESP WAIT TIMEOUT",
};

}  // namespace

const char *wtpStateName(uint32_t state) { return state < WTP_STATE_COUNT ? STATE_NAMES[state] : "UNKNOWN"; }

WtpTransaction *newTransaction()
{
    // Handle 0 is what a class 0 Invoke returns, so it never names a live
    // transaction.
    for (uint32_t tries = 1; tries < WTP_HANDLE_LIMIT; tries++) {
        gLastHandle = gLastHandle + 1 >= WTP_HANDLE_LIMIT ? 1 : gLastHandle + 1;
        if (gByHandle.count(gLastHandle))
            continue;
        auto record = std::make_unique<WtpTransaction>();
        record->handle = gLastHandle;
        record->state = WTP_NULL_LISTEN;
        WtpTransaction *transaction = record.get();
        gByHandle[gLastHandle] = std::move(record);
        return transaction;
    }
    Log_str("WTP: no free transaction handle\n");
    return nullptr;
}

void assignTid(WtpTransaction *transaction)
{
    if (!gTidDrawn) {
        // Each run starts somewhere else, so that the gateway's memory of an
        // earlier run's TIDs does not matter.
        gNextTid = Clock_randomNumber() % WTP_TID_LIMIT;
        gTidDrawn = true;
    }
    // A TID still held by a transaction waiting out its timers is skipped;
    // there are always fewer transactions than TIDs.
    for (;;) {
        uint32_t tid = gNextTid;
        bool tidNew = gTidNew;
        if (gNextTid == WTP_TID_LIMIT - 1) {
            gNextTid = 0;
            gTidNew = true;
        } else {
            gNextTid++;
        }
        if (gByTid.count(tid))
            continue;
        transaction->tid = tid;
        if (tidNew)
            transaction->flags |= WTP_FLAG_TIDNEW;
        gByTid[tid] = transaction->handle;
        return;
    }
}

WtpTransaction *findByHandle(uint32_t handle)
{
    auto it = gByHandle.find(handle);
    return it == gByHandle.end() ? nullptr : it->second.get();
}

WtpTransaction *findByTid(uint32_t tid)
{
    auto it = gByTid.find(tid);
    return it == gByTid.end() ? nullptr : findByHandle(it->second);
}

void releaseTransaction(WtpTransaction *transaction)
{
    stopTimer(transaction->timer);
    auto tid = gByTid.find(transaction->tid);
    if (tid != gByTid.end() && tid->second == transaction->handle)
        gByTid.erase(tid);
    gByHandle.erase(transaction->handle);
}

void resetWtp()
{
    clearTimers();
    gByTid.clear();
    gByHandle.clear();
    gTidDrawn = false;
    gTidNew = false;
    gLastHandle = 0;
}

void setNextTid(uint32_t tid)
{
    gNextTid = tid % WTP_TID_LIMIT;
    gTidDrawn = true;
}

uint32_t wtpTransactionCount() { return static_cast<uint32_t>(gByHandle.size()); }
