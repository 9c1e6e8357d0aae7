#include "engine/changes/binding_change.h"

#include "base/bounded_text.h"

SslBindingChange::SslBindingChange(const wchar_t* addressText, const BYTE (&hash)[20])
{
    CopyText(address_, addressText);
    CopyMemory(hash_, hash, sizeof(hash_));
}

bool SslBindingChange::Apply()
{
    // A binding that cannot be read cannot be put back either; the new one is set all the same.
    SaveSslBinding(address_, replaced_);
    SetLastError(0);
    if (SetSslBinding(address_, hash_, sizeof(hash_)))
        return true;
    const DWORD error = GetLastError();
    // The old binding may be gone already: it comes back now.
    Undo();
    // A refused binding without a code must not pass for success either.
    SetLastError(error ? error : static_cast<DWORD>(ERROR_GEN_FAILURE));
    return false;
}

bool SslBindingChange::Preview(ChangePreview& preview)
{
    const ThumbprintText thumbprint(hash_);
    SavedSslBinding there;
    BYTE bound[20];
    if (!SaveSslBinding(address_, there))
        preview.Say(Kind(), L"would bind %s:443 to %s; cannot read what the address has now", address_, thumbprint.text);
    else if (there.Empty())
        preview.Say(Kind(), L"would bind %s:443 to %s; finds no binding", address_, thumbprint.text);
    else if (there.CertificateHash(bound))
        preview.Say(Kind(), L"would bind %s:443 to %s; finds a binding to %s, which it would replace", address_,
                    thumbprint.text, ThumbprintText(bound).text);
    else
        preview.Say(Kind(), L"would bind %s:443 to %s; finds another binding, which it would replace", address_,
                    thumbprint.text);
    return true;
}

bool SslBindingChange::Undo()
{
    return RestoreSslBinding(address_, replaced_);
}

void SslBindingChange::Remember(RememberedInstallation& memory) const
{
    memory.binding = Provenance::kMade;
    CopyText(memory.binding_address, address_);
    // Without its bytes a removal cannot give the endpoint back what it had: it then
    // takes the binding only.
    if (replaced_.Empty() || !SerializeSslBinding(replaced_, memory.replaced_binding,
                                                  sizeof(memory.replaced_binding), &memory.replaced_binding_size))
        memory.replaced_binding_size = 0;
}
