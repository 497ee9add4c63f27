// The WTP initiator machine: the user's primitives, received PDUs and timer
// expiries, as rows of {states, event, guard, action, next}. The next state
// is entered before the action runs, so that an upcall made by the action
// sees the transaction where the row leaves it; rows that end the
// transaction release it in their action, before any upcall.
#include <cstring>

#include "common/log.h"
#include "stack/udp_transport.h"
#include "stack/wtp.h"
#include "stack/wtp_timers.h"
#include "stack/wtp_transaction.h"

namespace {

enum WtpEvent : uint8_t {
    EV_RCV_RESULT,
    EV_RCV_ACK,
    EV_RCV_ABORT,
    EV_TIMER,
    EV_TR_RESULT,
    EV_TR_ABORT,
};

const char *const EVENT_NAMES[] = {"RcvResult", "RcvAck", "RcvAbort", "TimerTO", "TR-Result.res", "TR-Abort.req"};

// What an event brings besides the transaction.
struct WtpInput {
    const WtpPdu *pdu;        // received PDU, or null
    const uint8_t *exitData;  // TR_Result
    uint32_t exitLength;
    uint8_t reason;  // TR_Abort
};

// Timer kinds, by what they wait for.
enum TimerKind : uint8_t {
    TIMER_RETRY = 0,   // an answer to the Invoke
    TIMER_ACK = 1,     // the Ack interval
    TIMER_RESULT = 2,  // the user's TR_Result
    TIMER_WAIT = 5,    // retransmitted Results after the Ack
};

constexpr uint32_t KEEP = 0xFFFF;      // next: the state stays
constexpr uint32_t RELEASED = 0xFFFE;  // next: the action released the transaction

using Guard = bool (*)(const WtpTransaction &, const WtpInput &);
using Action = void (*)(WtpTransaction *, const WtpInput &);

struct WtpRow {
    uint32_t states;  // bit per state
    WtpEvent event;
    Guard guard;  // null: always
    Action action;
    uint32_t next;
};

constexpr uint32_t stateBit(uint32_t state) { return 1u << state; }
constexpr uint32_t INITIATOR_ACTIVE =
    stateBit(WTP_INIT_RESULT_WAIT) | stateBit(WTP_INIT_RESULT_RESP_WAIT) | stateBit(WTP_INIT_WAIT_TIMEOUT);
constexpr uint32_t ABORTABLE = INITIATOR_ACTIVE | stateBit(WTP_RESP_INVOKE_RESP_WAIT) | stateBit(WTP_RESP_RESULT_WAIT) |
                               stateBit(WTP_RESP_RESULT_RESP_WAIT) | stateBit(WTP_RESP_WAIT_TIMEOUT);

// Sending

void sendBytes(const WtpTransaction &t, const uint8_t *bytes, uint32_t length)
{
    T_DUnitdata_Req(&t.local, t.localPort, &t.peer, t.peerPort, bytes, length);
}

void sendInvoke(WtpTransaction *t, bool retransmission)
{
    // GTR and TTR set: no segmentation.
    WtpHeader header{};
    header.type = WTP_PDU_INVOKE;
    header.gtr = header.ttr = 1;
    header.rid = retransmission;
    header.tid = t->tid;
    header.tidNew = (t->flags & WTP_FLAG_TIDNEW) != 0;
    header.up = (t->flags & WTP_FLAG_UP) != 0;
    header.transactionClass = t->transactionClass;
    packWtpHeader(header, t->invoke.data());
    sendBytes(*t, t->invoke.data(), static_cast<uint32_t>(t->invoke.size()));
}

void sendAck(const WtpTransaction &t, bool tok)
{
    WtpHeader header{};
    header.type = WTP_PDU_ACK;
    header.tveTok = tok;
    header.tid = t.tid;
    uint8_t ack[WTP_HEADER_MAX];
    sendBytes(t, ack, packWtpHeader(header, ack));
}

void sendAbort(const WtpTransaction &t, uint8_t abortType, uint8_t reason)
{
    sendAbortTo(&t.local, t.localPort, &t.peer, t.peerPort, t.tid, abortType, reason);
}

uint32_t interval(const WtpTransaction &t, TimerKind kind)
{
    if (t.transactionClass == WTP_CLASS1)
        return (t.flags & WTP_FLAG_UP) ? 20 : 15;
    switch (kind) {
    case TIMER_RETRY: return 30;
    case TIMER_ACK: return 10;
    case TIMER_RESULT: return 35;
    case TIMER_WAIT: return 120;
    }
    return 30;
}

void expired(uint32_t handle);

void startKind(WtpTransaction *t, TimerKind kind)
{
    stopTimer(t->timer);
    t->timer = startTimer(interval(*t, kind), expired, t->handle);
}

// Guards

bool isTve(const WtpTransaction &, const WtpInput &in) { return in.pdu->tveTok; }
bool isClass2(const WtpTransaction &t, const WtpInput &) { return t.transactionClass == WTP_CLASS2; }
bool isRid(const WtpTransaction &, const WtpInput &in) { return in.pdu->rid; }
bool retriesLeft(const WtpTransaction &t, const WtpInput &) { return t.retransmissions < WTP_MAX_RETRANSMISSIONS; }
bool userNotConfirming(const WtpTransaction &t, const WtpInput &) { return !(t.flags & WTP_FLAG_UP); }
bool expiriesLeft(const WtpTransaction &t, const WtpInput &)
{
    return t.confirmationExpiries < WTP_MAX_CONFIRMATION_EXPIRIES;
}

// Actions

// The Result, whether or not its Ack came first: confirm once, then hand it
// up in a block of its own (a datagram may hold several PDUs).
void deliverResult(WtpTransaction *t, const WtpInput &in)
{
    uint32_t handle = t->handle;
    startKind(t, TIMER_RESULT);
    bool confirm = !(t->flags & WTP_FLAG_CONFIRMED);
    t->flags |= WTP_FLAG_CONFIRMED;
    if (confirm) {
        TR_InvokeCnf(handle);
        // The confirmation may have ended the transaction.
        if (!findByHandle(handle))
            return;
    }
    uint8_t *data = nullptr;
    if (in.pdu->userLength) {
        data = takeReceiveBuffer(in.pdu->userLength);
        std::memcpy(data, in.pdu->userData, in.pdu->userLength);
    }
    TR_ResultInd(handle, data, in.pdu->userLength);
}

void answerTve(WtpTransaction *t, const WtpInput &)
{
    sendAck(*t, true);
    t->retransmissions++;
    startKind(t, TIMER_ACK);
}

// Class 2: the Invoke arrived and the Result is awaited. The gateway sends
// a "hold on" Ack every few seconds while its origin is slow, each one
// restarting the retry timer; should they stop (the gateway gone), the
// Invoke is resent as if never answered, so the request ends in
// NORESPONSE instead of waiting for ever.
void invokeAcked(WtpTransaction *t, const WtpInput &)
{
    startKind(t, TIMER_RETRY);
    bool confirm = !(t->flags & WTP_FLAG_CONFIRMED);
    t->flags |= WTP_FLAG_CONFIRMED;
    if (confirm)
        TR_InvokeCnf(t->handle);
}

void invokeDone(WtpTransaction *t, const WtpInput &)
{
    uint32_t handle = t->handle;
    releaseTransaction(t);
    TR_InvokeCnf(handle);
}

void ackAgain(WtpTransaction *t, const WtpInput &) { sendAck(*t, false); }

void peerAborted(WtpTransaction *t, const WtpInput &in)
{
    uint32_t handle = t->handle;
    releaseTransaction(t);
    TR_AbortInd(handle, in.pdu->reason);
}

void retransmit(WtpTransaction *t, const WtpInput &)
{
    t->retransmissions++;
    startKind(t, TIMER_RETRY);
    sendInvoke(t, true);
}

void giveUp(WtpTransaction *t, const WtpInput &)
{
    uint32_t handle = t->handle;
    Log_printf("WTP: no answer to transaction %u after %u retransmissions\n", t->tid, t->retransmissions);
    releaseTransaction(t);
    TR_AbortInd(handle, WTP_ABORT_NORESPONSE);
}

void ackUnconfirmed(WtpTransaction *t, const WtpInput &)
{
    sendAck(*t, false);
    startKind(t, TIMER_WAIT);
}

void waitForUser(WtpTransaction *t, const WtpInput &)
{
    t->confirmationExpiries++;
    startKind(t, TIMER_ACK);
}

void userNeverConfirmed(WtpTransaction *t, const WtpInput &)
{
    sendAbort(*t, WTP_ABORT_PROVIDER, WTP_ABORT_NORESPONSE);
    releaseTransaction(t);
}

void forget(WtpTransaction *t, const WtpInput &) { releaseTransaction(t); }

void confirmResult(WtpTransaction *t, const WtpInput &in)
{
    t->exitData.assign(in.exitData, in.exitData + (in.exitData ? in.exitLength : 0));
    sendAck(*t, false);
    startKind(t, TIMER_ACK);
}

void userAbort(WtpTransaction *t, const WtpInput &in)
{
    sendAbort(*t, WTP_ABORT_USER, in.reason);
    releaseTransaction(t);
}

constexpr uint32_t S1 = stateBit(WTP_INIT_RESULT_WAIT);
constexpr uint32_t S2 = stateBit(WTP_INIT_RESULT_RESP_WAIT);
constexpr uint32_t S3 = stateBit(WTP_INIT_WAIT_TIMEOUT);

// First matching row wins.
const WtpRow ROWS[] = {
    {S1, EV_RCV_RESULT, nullptr, deliverResult, WTP_INIT_RESULT_RESP_WAIT},
    {S1, EV_RCV_ACK, isTve, answerTve, KEEP},
    {S1, EV_RCV_ACK, isClass2, invokeAcked, KEEP},
    {S1, EV_RCV_ACK, nullptr, invokeDone, RELEASED},
    {S3, EV_RCV_RESULT, isRid, ackAgain, KEEP},
    {INITIATOR_ACTIVE, EV_RCV_ABORT, nullptr, peerAborted, RELEASED},
    {S1, EV_TIMER, retriesLeft, retransmit, KEEP},
    {S1, EV_TIMER, nullptr, giveUp, RELEASED},
    {S2, EV_TIMER, userNotConfirming, ackUnconfirmed, WTP_INIT_WAIT_TIMEOUT},
    {S2, EV_TIMER, expiriesLeft, waitForUser, KEEP},
    {S2, EV_TIMER, nullptr, userNeverConfirmed, RELEASED},
    {S3, EV_TIMER, nullptr, forget, RELEASED},
    {S2, EV_TR_RESULT, nullptr, confirmResult, WTP_INIT_WAIT_TIMEOUT},
    {ABORTABLE, EV_TR_ABORT, nullptr, userAbort, RELEASED},
};

// Runs the first row that fits; false when none does (logged).
bool runMachine(WtpTransaction *t, WtpEvent event, const WtpInput &in)
{
    for (const WtpRow &row : ROWS) {
        if (!(row.states & stateBit(t->state)) || row.event != event || (row.guard && !row.guard(*t, in)))
            continue;
        if (row.next != KEEP && row.next != RELEASED)
            t->state = row.next;
        row.action(t, in);
        return true;
    }
    Log_printf("WTP: %s ignored in state %s\n", EVENT_NAMES[event], wtpStateName(t->state));
    return false;
}

void expired(uint32_t handle)
{
    WtpTransaction *t = findByHandle(handle);
    if (!t)
        return;
    t->timer = 0;  // it has fired
    runMachine(t, EV_TIMER, WtpInput{});
}

WtpEvent eventFor(uint8_t type)
{
    switch (type) {
    case WTP_PDU_RESULT: return EV_RCV_RESULT;
    case WTP_PDU_ACK: return EV_RCV_ACK;
    default: return EV_RCV_ABORT;
    }
}

}  // namespace

void sendAbortTo(const AddressRecord *local, uint32_t localPort, const AddressRecord *peer, uint32_t peerPort,
                 uint32_t tid, uint8_t abortType, uint8_t reason)
{
    WtpHeader header{};
    header.type = WTP_PDU_ABORT;
    header.abortType = abortType;
    header.tid = tid;
    header.reason = reason;
    uint8_t abort[WTP_HEADER_MAX];
    T_DUnitdata_Req(local, localPort, peer, peerPort, abort, packWtpHeader(header, abort));
}

void refuseSegmented(WtpTransaction *t)
{
    uint32_t handle = t->handle;
    sendAbort(*t, WTP_ABORT_PROVIDER, WTP_ABORT_NOTIMPLEMENTEDSAR);
    // Left alive, the transaction would resend its Invoke to a gateway that
    // has given it up, and the request would hang until NORESPONSE.
    releaseTransaction(t);
    TR_AbortInd(handle, WTP_ABORT_NOTIMPLEMENTEDSAR);
}

void initiatorOnPdu(WtpTransaction *t, const WtpPdu &pdu)
{
    WtpInput in{};
    in.pdu = &pdu;
    runMachine(t, eventFor(pdu.type), in);
}

uint32_t TR_Invoke(const AddressRecord *local, uint32_t localPort, const AddressRecord *peer, uint32_t peerPort,
                   uint8_t up, uint8_t *userData, uint32_t length, uint8_t transactionClass)
{
    if (transactionClass > WTP_CLASS2) {
        releaseReceiveBuffer(userData);
        return 0;
    }
    WtpTransaction *t = newTransaction();
    if (!t) {
        releaseReceiveBuffer(userData);
        return 0;
    }
    t->local = *local;
    t->localPort = localPort;
    t->peer = *peer;
    t->peerPort = peerPort;
    t->transactionClass = transactionClass;
    if (up)
        t->flags |= WTP_FLAG_UP;
    assignTid(t);
    // The header is packed as each copy is sent.
    t->invoke.resize(WTP_HEADER_MAX + static_cast<size_t>(userData ? length : 0));
    if (userData && length)
        std::memcpy(t->invoke.data() + WTP_HEADER_MAX, userData, length);
    releaseReceiveBuffer(userData);

    uint32_t handle = t->handle;
    if (transactionClass == WTP_CLASS0) {
        sendInvoke(t, false);
        releaseTransaction(t);
        return 0;
    }
    t->retransmissions = 0;
    t->state = WTP_INIT_RESULT_WAIT;
    startKind(t, TIMER_RETRY);
    sendInvoke(t, false);
    return handle;
}

int TR_Result(const uint8_t *exitData, uint32_t length, uint32_t handle)
{
    WtpTransaction *t = findByHandle(handle);
    if (!t)
        return WTP_UNKNOWN_HANDLE;
    WtpInput in{};
    in.exitData = exitData;
    in.exitLength = length;
    return runMachine(t, EV_TR_RESULT, in) ? WTP_OK : WTP_WRONG_STATE;
}

int TR_Abort(uint8_t reason, uint32_t handle)
{
    WtpTransaction *t = findByHandle(handle);
    if (!t)
        return WTP_UNKNOWN_HANDLE;
    WtpInput in{};
    in.reason = reason;
    return runMachine(t, EV_TR_ABORT, in) ? WTP_OK : WTP_WRONG_STATE;
}
