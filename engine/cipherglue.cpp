// The job's cipher operations: thin calls into the run's TJobCipher with the key
// material of the engine state.

#include "engine/backupjob.h"

#include "engine/copytree.h"
#include "engine/enginestate.h"
#include "engine/jobcipher.h"

namespace qm {

bool TBackUpJob::InitCipher() {
    TEngineState& engine = Engine();
    return engine.JobCipher->InitCipher(engine.KeyBuffer.data(), engine.KeySize);
}

bool TBackUpJob::ResetCipherIV() {
    return Engine().JobCipher->ResetCipherIV();
}

bool TBackUpJob::EncryptBuffer(uint8_t* Buf, std::size_t Len) {
    return Engine().JobCipher->EncryptBuffer(Buf, Len);
}

bool TBackUpJob::DecryptBuffer(uint8_t* Buf, std::size_t Len) {
    return Engine().JobCipher->DecryptBuffer(Buf, Len);
}

bool TBackUpJob::FreeCipher() {
    return Engine().JobCipher->FreeCipher();
}

bool TBackUpJob::EncryptCheckValue(uint8_t* Dest) {
    TEngineState& engine = Engine();
    // The check routines may be the first to touch the cipher of a run.
    if (!engine.JobCipher->Active() && !InitCipher())
        return false;
    if (!engine.DeriveKey(engine.RunPassword(), engine.KeySize, engine.KeyBuffer.data()))
        return false;
    return engine.JobCipher->EncryptCheckValueUnder(engine.KeyBuffer.data(), engine.KeySize,
                                                    CheckValue.data(), Dest);
}

} // namespace qm
