// JSON text to a tree of FJsonValue. nlohmann::json's SAX parser tokenises (iteratively, with
// its own bounded state) and FJsonTreeBuilder below turns its events into the tree, keeping the
// open objects and arrays on an explicit stack. Nothing here recurses and nothing throws: a
// parse error makes a SAX callback return false and the parse end with the partly built tree
// discarded. Like the engine's reader it sets no nesting limit.
#include "Serialization/JsonReader.h"
#include "Dom/JsonObject.h"
#include "Dom/JsonValue.h"
#include "HeadlessString.h"

#include <string>

#include <nlohmann/json.hpp>

namespace
{
	using FSaxJson = nlohmann::json;

	class FJsonTreeBuilder
	{
	public:
		explicit FJsonTreeBuilder(bool bInNumbersAsStrings) : bNumbersAsStrings(bInNumbersAsStrings) {}

		// The SAX interface nlohmann::json::sax_parse calls.
		bool null() { return Add(MakeShared<FJsonValueNull>()); }
		bool boolean(bool Value) { return Add(MakeShared<FJsonValueBoolean>(Value)); }
		bool number_integer(FSaxJson::number_integer_t Value) { return AddNumber(static_cast<double>(Value), std::to_string(Value)); }
		bool number_unsigned(FSaxJson::number_unsigned_t Value) { return AddNumber(static_cast<double>(Value), std::to_string(Value)); }
		bool number_float(FSaxJson::number_float_t Value, const FSaxJson::string_t& Text) { return AddNumber(Value, Text); }
		bool string(FSaxJson::string_t& Value) { return Add(MakeShared<FJsonValueString>(UE::HeadlessEditor::FromUtf8(Value.data(), Value.size()))); }
		bool binary(FSaxJson::binary_t&) { return Fail(TEXT("binary values are not JSON text")); }

		bool start_object(std::size_t)
		{
			if (!CanOpen())
			{
				return false;
			}
			const TSharedRef<FJsonObject> Object = MakeShared<FJsonObject>();
			Add(MakeShared<FJsonValueObject>(TSharedPtr<FJsonObject>(Object)));
			Open.Add(FOpenContainer{ &Object.Get(), nullptr });
			return true;
		}

		bool key(FSaxJson::string_t& Name)
		{
			PendingKey = UE::HeadlessEditor::FromUtf8(Name.data(), Name.size());
			return true;
		}

		bool end_object()
		{
			Open.Pop();
			return true;
		}

		bool start_array(std::size_t)
		{
			if (!CanOpen())
			{
				return false;
			}
			const TSharedRef<FJsonValueArray> ArrayValue = MakeShared<FJsonValueArray>(TArray<TSharedPtr<FJsonValue>>());
			TArray<TSharedPtr<FJsonValue>>* Elements = nullptr;
			ArrayValue->TryGetArray(Elements);
			Add(ArrayValue);
			Open.Add(FOpenContainer{ nullptr, Elements });
			return true;
		}

		bool end_array()
		{
			Open.Pop();
			return true;
		}

		bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& Error)
		{
			return Fail(FString(Error.what()));
		}

		TSharedPtr<FJsonValue> TakeRoot() { return std::move(Root); }

		// After a failed parse: empties the containers still open, innermost first, so an
		// unfinished deep text goes without recursing (the engine keeps unfinished scopes apart
		// until they close, so it frees them flat too).
		void DiscardUnfinished()
		{
			for (int32 Index = Open.Num() - 1; Index >= 0; --Index)
			{
				if (Open[Index].Object) { Open[Index].Object->Values.Empty(); }
				else { Open[Index].Elements->Empty(); }
			}
			Open.Empty();
			Root.Reset();
		}
		const FString& GetError() const { return ErrorMessage; }

	private:
		// An object or array whose closing token has not been read yet. The pointers are owned
		// by the tree under Root; a container is only replaced (by a later duplicate key in its
		// parent) after it has been closed and left this stack.
		struct FOpenContainer
		{
			FJsonObject* Object;
			TArray<TSharedPtr<FJsonValue>>* Elements;
		};

		// The engine's reader has no nesting limit, and neither has this one: a deep enough text
		// builds a tree whose destruction recurses past the stack, as in the engine.
		bool CanOpen() { return true; }

		// Hangs a value on the innermost open container (a repeated key replaces the earlier
		// value), or makes it the root.
		bool Add(TSharedPtr<FJsonValue> Value)
		{
			if (Open.Num() == 0)
			{
				Root = std::move(Value);
			}
			else if (FJsonObject* Object = Open.Last().Object)
			{
				Object->Values.Emplace(std::move(PendingKey), std::move(Value));
			}
			else
			{
				Open.Last().Elements->Add(std::move(Value));
			}
			return true;
		}

		bool AddNumber(double Value, const std::string& Text)
		{
			if (bNumbersAsStrings)
			{
				return Add(MakeShared<FJsonValueNumberString>(UE::HeadlessEditor::FromUtf8(Text.data(), Text.size())));
			}
			return Add(MakeShared<FJsonValueNumber>(Value));
		}

		bool Fail(const FString& Message)
		{
			if (ErrorMessage.IsEmpty())
			{
				ErrorMessage = Message;
			}
			return false;
		}

		const bool bNumbersAsStrings;
		TSharedPtr<FJsonValue> Root;
		TArray<FOpenContainer> Open;
		FString PendingKey;
		FString ErrorMessage;
	};
}

namespace UE::HeadlessEditor::Json
{
	TSharedPtr<FJsonValue> ParseText(const FString& Text, bool bStoreNumbersAsStrings, FString& OutError)
	{
		// Lone UTF-16 surrogates in Text become '?' here, so the parser always sees valid UTF-8.
		const std::string Utf8 = UE::HeadlessEditor::ToUtf8(Text);
		// A raw NUL is never valid JSON (inside a string it must be escaped), and nlohmann's
		// lexer would take it for the end of the input and ignore whatever follows.
		if (Utf8.find('\0') != std::string::npos)
		{
			OutError = TEXT("NUL character in JSON text");
			return nullptr;
		}
		FJsonTreeBuilder Builder(bStoreNumbersAsStrings);
		const bool bParsed = FSaxJson::sax_parse(Utf8.data(), Utf8.data() + Utf8.size(), &Builder,
			FSaxJson::input_format_t::json, /*strict: only whitespace after the root*/ true, /*ignore_comments*/ false);
		if (!bParsed)
		{
			Builder.DiscardUnfinished();
		}
		TSharedPtr<FJsonValue> Root = Builder.TakeRoot();
		if (!bParsed || !Root.IsValid())
		{
			OutError = Builder.GetError().IsEmpty() ? FString(TEXT("invalid JSON")) : Builder.GetError();
			return nullptr;
		}
		OutError.Reset();
		return Root;
	}
}
