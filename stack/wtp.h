#pragma once
// WTP, initiator side of classes 0, 1 and 2, without segmentation. Each WSP
// request travels as one transaction: the Invoke is sent and retransmitted
// until the gateway answers; Result, Ack and Abort PDUs are matched to
// transactions by TID; Results are acknowledged. WSP names a transaction by
// its handle and hears of it through the three TR_ upcalls below.
#include <cstdint>

#include "stack/address.h"

// Transaction classes.
constexpr uint8_t WTP_CLASS0 = 0;  // unconfirmed, no result
constexpr uint8_t WTP_CLASS1 = 1;  // confirmed by an Ack, no result
constexpr uint8_t WTP_CLASS2 = 2;  // confirmed by the Result

// Provider abort reasons this layer gives (TR_AbortInd) or sends.
constexpr uint8_t WTP_ABORT_NOTIMPLEMENTEDSAR = 4;
constexpr uint8_t WTP_ABORT_WTPVERSIONONE = 6;
constexpr uint8_t WTP_ABORT_CAPTEMPEXCEEDED = 7;
constexpr uint8_t WTP_ABORT_NORESPONSE = 8;

// TR_Result and TR_Abort results.
constexpr int WTP_OK = 0;
constexpr int WTP_WRONG_STATE = 1;
constexpr int WTP_UNKNOWN_HANDLE = 2;

// Starts a transaction and sends its Invoke from the local pair to the peer
// pair, with U/P (the user will confirm the result with TR_Result) when up
// is not 0. userData is copied; the buffer is then released with
// releaseReceiveBuffer (so it may be a receive block with any room in front,
// or memory the pool does not know, which is left alone). Returns the
// handle (1..32767), or 0 for class 0 (nothing is kept) and on a class
// above 2.
uint32_t TR_Invoke(const AddressRecord *local, uint32_t localPort, const AddressRecord *peer, uint32_t peerPort,
                   uint8_t up, uint8_t *userData, uint32_t length, uint8_t transactionClass);
// The user's confirmation of a delivered Result: sends the Ack and waits
// out retransmitted Results. exitData is kept, not sent. WTP_OK,
// WTP_WRONG_STATE (no Result delivered) or WTP_UNKNOWN_HANDLE.
int TR_Result(const uint8_t *exitData, uint32_t length, uint32_t handle);
// User abort: sends Abort (user, reason) and forgets the transaction, with
// no upcall. WTP_OK, WTP_WRONG_STATE (nothing sent yet) or
// WTP_UNKNOWN_HANDLE.
int TR_Abort(uint8_t reason, uint32_t handle);

// One datagram from the gateway's WTP port: one PDU, or concatenated PDUs
// when the first byte is 0. data stays the caller's; Results are copied
// before they go up. Malformed PDUs are dropped; segmented PDUs and
// Invokes of another version are answered with an Abort.
void receivePdus(const AddressRecord *local, uint32_t localPort, const AddressRecord *peer, uint32_t peerPort,
                 const uint8_t *data, uint32_t length);

// A PDU's fixed header, as sent and as receivePdus reads it (the exchange
// listing reads recorded datagrams with it too). A field its type lacks
// is 0.
struct WtpHeader {
    uint32_t con;                                    // TPIs follow the fixed header
    uint32_t type;                                   // bits 6-3 of the first byte
    uint32_t gtr, ttr;                               // Invoke, Result: last packet of its group, of the whole message
    uint32_t tveTok;                                 // Ack: TID verification
    uint32_t abortType;                              // Abort: WTP_ABORT_PROVIDER or WTP_ABORT_USER
    uint32_t rid;                                    // a retransmission
    uint32_t tid;                                    // as on the wire: bit 15 is set by the responder
    uint32_t version, tidNew, up, transactionClass;  // Invoke (up: the user confirms the result)
    uint32_t reason;                                 // Abort
    uint32_t headerLength;                           // the type's fixed header
    uint32_t dataStart;  // where the user data starts after any TPIs; 0 when a TPI runs past the end
};
// false when the PDU is shorter than its type's fixed header.
bool readWtpHeader(const uint8_t *pdu, uint32_t length, WtpHeader *header);
// Writes the fixed header of header's type (at most WTP_HEADER_MAX bytes;
// the Invoke's is that long) to out; returns its length.
constexpr uint32_t WTP_HEADER_MAX = 4;
uint32_t packWtpHeader(const WtpHeader &header, uint8_t *out);
// Calls each with every PDU of a datagram: the datagram itself, or the
// PDUs it concatenates when its first byte is 0 (up to a length that runs
// past the end).
typedef void (*WtpPduVisit)(const uint8_t *pdu, uint32_t length, void *context);
void forEachWtpPdu(const uint8_t *data, uint32_t length, WtpPduVisit each, void *context);

// Fires the due timers (retransmission, time-outs). Once per round of the
// stack's work, after pollReceive.
void runTimers();

// Forgets every transaction and timer (no PDU, no upcall) and restarts the
// counters: the next Invoke draws a fresh TID, TIDnew clear, handles from 1.
// For tests and for a stack that starts over.
void resetWtp();
// For tests: the TID the next Invoke takes (0..32767).
void setNextTid(uint32_t tid);
// Transactions alive (for tests).
uint32_t wtpTransactionCount();

// Upcalls, implemented by WSP. They may call back into WTP (TR_Result,
// TR_Abort, TR_Invoke) and even run the stack again; WTP touches nothing of
// the transaction after an upcall without looking it up anew.
//
// TR-Invoke.cnf: the gateway has the Invoke (an Ack or the Result came).
void TR_InvokeCnf(uint32_t handle);
// TR-Result.ind: the Result's user data. data is a receive block (see
// udp_transport.h) that the callee owns: it must release it with
// releaseReceiveBuffer unless it keeps it. data is null when length is 0.
// When the Invoke asked for U/P, answer with TR_Result.
void TR_ResultInd(uint32_t handle, uint8_t *data, uint32_t length);
// TR-Abort.ind: the transaction is gone (the gateway's abort reason, or
// WTP_ABORT_NORESPONSE after the retransmissions, or
// WTP_ABORT_NOTIMPLEMENTEDSAR when the gateway segmented its Result).
void TR_AbortInd(uint32_t handle, uint8_t reason);
