// Key agreement with the cloud: P-256 key pairs, ECDH with the cloud's root public keys and
// the shared AES key that follows from it.
//
// The functions answer 0 (or a length) on success and an mbedtls error or -1 on failure;
// buffers handed out through out-parameters belong to the caller, who releases them with mFree.
#pragma once

#include <mbedtls/bignum.h>
#include <mbedtls/ecp.h>

#include <cstddef>
#include <cstdint>

// Length of an uncompressed P-256 point: 0x04, X, Y.
inline constexpr int kEccPubKeyLength = 65;
// Characters of the shared key (AES-128 key bytes).
inline constexpr size_t kShareKeyLength = 16;

// A fresh private scalar d and public point Q = d·G.
int genEccKeyPair(mbedtls_mpi* d, mbedtls_ecp_point* Q);
// The minimal big-endian bytes of a number in *out; answers their count, or -1.
int getEccPrivKey(const mbedtls_mpi* number, uint8_t** out);
// Reads big-endian bytes into *number.
int loadEccPrivKey(const uint8_t* bytes, size_t length, mbedtls_mpi* number);
// The 65-byte uncompressed encoding of Q in *out; answers 65, or -1 with *out null.
int getEccPubKey(const mbedtls_ecp_point* Q, uint8_t** out);
// Reads an encoded P-256 point into *point.
int loadEccPubKey(const uint8_t* bytes, size_t length, mbedtls_ecp_point* point);
// z = the X coordinate of d·peer.
int eccComputeShared(const mbedtls_mpi* d, const mbedtls_ecp_point* peer, mbedtls_mpi* z);
// As eccComputeShared with root key 0, 1, or 2 (for every other index).
int eccComputeSharedWithRootPubKey(const mbedtls_mpi* d, mbedtls_mpi* z, int rootIndex);
// Replaces the shared key by the first 16 Base64 characters of the minimal big-endian secret
// of d and the root key; 0 when replaced, -1 (the previous key kept) otherwise.
int updateShareKey(const mbedtls_mpi* d, int rootIndex);

// Copies the current shared key and its terminator into `key`; false before the first
// successful updateShareKey.
bool copyShareAesKey(char key[kShareKeyLength + 1]);
// Forgets the shared key, as in a fresh process. For tests only.
void discardShareAesKey();
