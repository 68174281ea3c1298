#include "control/session/SecretVault.h"

#include <libsecret/secret.h>

namespace strovix {
namespace {

// The items of this schema are the camera logins; the name shows in the
// desktop's keyring manager.
const SecretSchema* schema()
{
    static const SecretSchema s = {"org.oculon.strovix.CameraLogin",
                                   SECRET_SCHEMA_NONE,
                                   {{"camera", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                    {"user", SECRET_SCHEMA_ATTRIBUTE_STRING},
                                    {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
                                   0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
    return &s;
}

std::string taken(GError* error)
{
    std::string words = error && error->message ? error->message : "unknown error";
    g_clear_error(&error);
    return words;
}

} // namespace

SecretVault::SecretVault(void* service) : m_service(service) {}

SecretVault::~SecretVault()
{
    if (m_service)
        g_object_unref(m_service);
}

std::unique_ptr<SecretVault> SecretVault::open(std::string& whyNot)
{
    GError* error = nullptr;
    // Loading the collections asks the service itself: a bus without it
    // answers at once that nobody provides the name.
    SecretService* service = secret_service_get_sync(SECRET_SERVICE_LOAD_COLLECTIONS, nullptr, &error);
    if (!service) {
        whyNot = taken(error);
        return nullptr;
    }
    return std::unique_ptr<SecretVault>(new SecretVault(service));
}

bool SecretVault::all(std::map<std::string, Credentials>& into, std::string& whyNot)
{
    GError* error = nullptr;
    GHashTable* none = g_hash_table_new(g_str_hash, g_str_equal);
    GList* items = secret_service_search_sync(
        static_cast<SecretService*>(m_service), schema(), none,
        static_cast<SecretSearchFlags>(SECRET_SEARCH_ALL | SECRET_SEARCH_UNLOCK | SECRET_SEARCH_LOAD_SECRETS), nullptr,
        &error);
    g_hash_table_unref(none);
    if (error) {
        whyNot = taken(error);
        return false;
    }
    for (GList* at = items; at; at = at->next) {
        auto* item = static_cast<SecretItem*>(at->data);
        GHashTable* attributes = secret_item_get_attributes(item);
        const auto* camera = static_cast<const char*>(g_hash_table_lookup(attributes, "camera"));
        const auto* user = static_cast<const char*>(g_hash_table_lookup(attributes, "user"));
        SecretValue* value = secret_item_get_secret(item);
        if (camera && user && value) {
            gsize length = 0;
            const gchar* password = secret_value_get(value, &length);
            into[camera] = Credentials{user, std::string(password, length), true};
        }
        if (value)
            secret_value_unref(value);
        g_hash_table_unref(attributes);
    }
    g_list_free_full(items, g_object_unref);
    return true;
}

bool SecretVault::store(const std::string& hostPort, const Credentials& c, std::string& whyNot)
{
    // One item per camera: whatever was kept for it under another user goes.
    if (!remove(hostPort, whyNot))
        return false;
    GError* error = nullptr;
    const std::string label = "Camera login " + c.user + "@" + hostPort;
    GHashTable* attributes = g_hash_table_new(g_str_hash, g_str_equal);
    g_hash_table_insert(attributes, const_cast<char*>("camera"), const_cast<char*>(hostPort.c_str()));
    g_hash_table_insert(attributes, const_cast<char*>("user"), const_cast<char*>(c.user.c_str()));
    SecretValue* value = secret_value_new(c.password.data(), gssize(c.password.size()), "text/plain");
    const gboolean ok = secret_service_store_sync(static_cast<SecretService*>(m_service), schema(), attributes,
                                                  SECRET_COLLECTION_DEFAULT, label.c_str(), value, nullptr, &error);
    secret_value_unref(value);
    g_hash_table_unref(attributes);
    if (!ok) {
        whyNot = taken(error);
        return false;
    }
    return true;
}

bool SecretVault::remove(const std::string& hostPort, std::string& whyNot)
{
    GError* error = nullptr;
    GHashTable* attributes = g_hash_table_new(g_str_hash, g_str_equal);
    g_hash_table_insert(attributes, const_cast<char*>("camera"), const_cast<char*>(hostPort.c_str()));
    secret_service_clear_sync(static_cast<SecretService*>(m_service), schema(), attributes, nullptr, &error);
    g_hash_table_unref(attributes);
    if (error) {
        whyNot = taken(error);
        return false;
    }
    return true;
}

} // namespace strovix
