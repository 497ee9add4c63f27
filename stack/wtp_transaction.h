#pragma once
// Inside WTP: the transaction record, its tables and the initiator machine's
// entry points, shared by the transaction, receive and initiator files.
#include <cstdint>
#include <vector>

#include "stack/address.h"

// Transaction states; the value indexes the state-name table. The responder
// states are named for the log but never entered.
enum WtpState : uint32_t {
    WTP_NULL_LISTEN = 0,
    WTP_INIT_RESULT_WAIT = 1,
    WTP_INIT_RESULT_RESP_WAIT = 2,
    WTP_INIT_WAIT_TIMEOUT = 3,
    WTP_INVALID = 4,
    WTP_RESP_TIDOK_WAIT = 5,
    WTP_RESP_INVOKE_RESP_WAIT = 6,
    WTP_RESP_RESULT_WAIT = 7,
    WTP_RESP_RESULT_RESP_WAIT = 8,
    WTP_RESP_WAIT_TIMEOUT = 9,
    WTP_STATE_COUNT = 10,
};

// flags bits.
constexpr uint32_t WTP_FLAG_TIDNEW = 1u << 3;     // the Invoke carries TIDnew
constexpr uint32_t WTP_FLAG_UP = 1u << 4;         // U/P: the user confirms the result
constexpr uint32_t WTP_FLAG_CONFIRMED = 1u << 7;  // TR-Invoke.cnf given

// PDU types (bits 6-3 of the first byte).
enum WtpPduType : uint8_t {
    WTP_PDU_INVOKE = 1,
    WTP_PDU_RESULT = 2,
    WTP_PDU_ACK = 3,
    WTP_PDU_ABORT = 4,
    WTP_PDU_SEGMENTED_INVOKE = 5,
    WTP_PDU_SEGMENTED_RESULT = 6,
    WTP_PDU_NEGATIVE_ACK = 7,
};

constexpr uint8_t WTP_ABORT_PROVIDER = 0;
constexpr uint8_t WTP_ABORT_USER = 1;
constexpr uint32_t WTP_TID_LIMIT = 32768;     // this side's TIDs are below it
constexpr uint32_t WTP_HANDLE_LIMIT = 32768;  // handles are 1..32767
constexpr uint16_t WTP_MAX_RETRANSMISSIONS = 8;
constexpr uint16_t WTP_MAX_CONFIRMATION_EXPIRIES = 6;

struct WtpTransaction {
    AddressRecord local;
    uint32_t localPort;
    AddressRecord peer;
    uint32_t peerPort;
    uint32_t tid;
    uint32_t handle;
    uint32_t state;
    uint32_t transactionClass;
    uint32_t flags;
    uint32_t timer;                 // running timer's identifier, 0 when none
    uint16_t retransmissions;       // Invoke retransmissions
    uint16_t confirmationExpiries;  // waits for TR_Result that ran out
    std::vector<uint8_t> invoke;    // the Invoke PDU: header then user data
    std::vector<uint8_t> exitData;  // from TR_Result; kept, never sent
};

// A received PDU, as the initiator machine sees it.
struct WtpPdu {
    uint8_t type;
    bool rid;
    bool tveTok;              // Ack: TID verification asked
    uint8_t reason;           // Abort
    const uint8_t *userData;  // Result: into the datagram, the caller's
    uint32_t userLength;
};

// wtp_transactions.cpp
WtpTransaction *newTransaction();             // new handle, state 0; null when every handle is in use
void assignTid(WtpTransaction *transaction);  // takes the next free TID and enters the tid table
WtpTransaction *findByHandle(uint32_t handle);
WtpTransaction *findByTid(uint32_t tid);
// Stops its timer, leaves both tables and frees it. The pointer is dead.
void releaseTransaction(WtpTransaction *transaction);
const char *wtpStateName(uint32_t state);

// wtp_initiator.cpp
void initiatorOnPdu(WtpTransaction *transaction, const WtpPdu &pdu);
// Sends an Abort answering a received PDU, to its sender.
void sendAbortTo(const AddressRecord *local, uint32_t localPort, const AddressRecord *peer, uint32_t peerPort,
                 uint32_t tid, uint8_t abortType, uint8_t reason);
// A refused segmented Result: Abort to the gateway, the transaction gone,
// WSP told.
void refuseSegmented(WtpTransaction *transaction);
