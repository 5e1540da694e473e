// The Json module: the writer's exact bytes, the reader's acceptance rules, the DOM's
// conversions and log lines, and hostile input (deep nesting, invalid text, large documents).
#include <gtest/gtest.h>

#include <pthread.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "CoreMinimal.h"
#include "Dom/JsonObject.h"
#include "Dom/JsonValue.h"
#include "HeadlessEditorHost.h"
#include "Policies/CondensedJsonPrintPolicy.h"
#include "Policies/PrettyJsonPrintPolicy.h"
#include "Serialization/JsonReader.h"
#include "Serialization/JsonSerializer.h"
#include "Serialization/JsonWriter.h"
#include "HeadlessString.h"
#include "LogCapture.h"

namespace
{
	using UE::HeadlessEditor::Json::MaxNestingDepth;
	using FJsonArray = TArray<TSharedPtr<FJsonValue>>;

	std::string Utf8(const FString& Text) { return UE::HeadlessEditor::ToUtf8(Text); }
	FString Text(const std::string& Utf8Text) { return UE::HeadlessEditor::FromUtf8(Utf8Text.data(), Utf8Text.size()); }

	FString WritePretty(const TSharedRef<FJsonObject>& Object, int32 InitialIndent = 0)
	{
		FString Out;
		EXPECT_TRUE(FJsonSerializer::Serialize(Object, TJsonWriterFactory<TCHAR, TPrettyJsonPrintPolicy<TCHAR>>::Create(&Out, InitialIndent)));
		return Out;
	}

	FString WriteCondensed(const TSharedRef<FJsonObject>& Object)
	{
		FString Out;
		EXPECT_TRUE(FJsonSerializer::Serialize(Object, TJsonWriterFactory<TCHAR, TCondensedJsonPrintPolicy<TCHAR>>::Create(&Out)));
		return Out;
	}

	// The object read from UTF-8 text, or an invalid pointer when Deserialize refuses it.
	TSharedPtr<FJsonObject> ReadObject(const std::string& Utf8Text)
	{
		TSharedPtr<FJsonObject> Object;
		if (!FJsonSerializer::Deserialize(TJsonReaderFactory<TCHAR>::Create(Text(Utf8Text)), Object))
		{
			return nullptr;
		}
		EXPECT_TRUE(Object.IsValid());
		return Object;
	}

	TSharedPtr<FJsonValue> ReadValue(const std::string& Utf8Text)
	{
		TSharedPtr<FJsonValue> Value;
		FJsonSerializer::Deserialize(TJsonReaderFactory<TCHAR>::Create(Text(Utf8Text)), Value);
		return Value;
	}

	std::string Repeat(const std::string& Piece, int32 Count)
	{
		std::string Out;
		Out.reserve(Piece.size() * static_cast<size_t>(Count));
		for (int32 Index = 0; Index < Count; ++Index)
		{
			Out += Piece;
		}
		return Out;
	}

	std::string NestedArrays(int32 Depth) { return Repeat("[", Depth) + Repeat("]", Depth); }
	std::string NestedObjects(int32 Depth) { return Repeat("{\"a\":", Depth - 1) + "{}" + Repeat("}", Depth - 1); }

	// Runs Body on a thread with a small stack (1 MiB, an eighth of the default): anything that
	// recursed per nesting level through 100,000 levels would overflow it.
	void RunOnSmallStack(std::function<void()> Body)
	{
		pthread_attr_t Attributes;
		pthread_attr_init(&Attributes);
		pthread_attr_setstacksize(&Attributes, 1024 * 1024);
		pthread_t Thread;
		auto Entry = [](void* Argument) -> void* { (*static_cast<std::function<void()>*>(Argument))(); return nullptr; };
		ASSERT_EQ(pthread_create(&Thread, &Attributes, Entry, &Body), 0);
		pthread_join(Thread, nullptr);
		pthread_attr_destroy(&Attributes);
	}
}

// --- Writer: exact bytes ----------------------------------------------------------------------

TEST(JsonWriter, LayoutOfEmptyIndentedAndNestedDocuments)
{
	EXPECT_EQ(Utf8(WritePretty(MakeShared<FJsonObject>())), "{\n}");
	EXPECT_EQ(Utf8(WritePretty(MakeShared<FJsonObject>(), 2)), "{\n\t\t}");

	const TSharedRef<FJsonObject> Object = MakeShared<FJsonObject>();
	Object->SetStringField(TEXT("a"), TEXT("b"));
	Object->SetNumberField(TEXT("n"), 1);
	EXPECT_EQ(Utf8(WritePretty(Object, 1)), "{\n\t\t\"a\": \"b\",\n\t\t\"n\": 1\n\t}");
	EXPECT_EQ(Utf8(WritePretty(Object, 3)), "{\n\t\t\t\t\"a\": \"b\",\n\t\t\t\t\"n\": 1\n\t\t\t}");

	// Nested objects and arrays, pretty and condensed.
	const TSharedRef<FJsonObject> Inner = MakeShared<FJsonObject>();
	Inner->SetBoolField(TEXT("on"), true);
	const TSharedRef<FJsonObject> Item = MakeShared<FJsonObject>();
	Item->SetNumberField(TEXT("x"), 1.5);

	const TSharedRef<FJsonObject> Root = MakeShared<FJsonObject>();
	Root->SetObjectField(TEXT("inner"), Inner);
	Root->SetObjectField(TEXT("empty"), MakeShared<FJsonObject>());
	Root->SetArrayField(TEXT("numbers"), { MakeShared<FJsonValueNumber>(1), MakeShared<FJsonValueNumber>(-2), MakeShared<FJsonValueBoolean>(false), MakeShared<FJsonValueNull>() });
	Root->SetArrayField(TEXT("names"), { MakeShared<FJsonValueString>(TEXT("a")), MakeShared<FJsonValueString>(TEXT("b")) });
	Root->SetArrayField(TEXT("items"), { MakeShared<FJsonValueObject>(Item), MakeShared<FJsonValueArray>(FJsonArray{ MakeShared<FJsonValueNumber>(7) }) });
	Root->SetArrayField(TEXT("none"), {});
	Root->SetField(TEXT("nothing"), MakeShared<FJsonValueNull>());

	EXPECT_EQ(Utf8(WritePretty(Root)),
		"{\n"
		"\t\"inner\":\n\t{\n\t\t\"on\": true\n\t},\n"
		"\t\"empty\":\n\t{\n\t},\n"
		"\t\"numbers\": [ 1, -2, false, null ],\n"
		"\t\"names\": [\n\t\t\"a\",\n\t\t\"b\"\n\t],\n"
		"\t\"items\": [\n\t\t{\n\t\t\t\"x\": 1.5\n\t\t},\n\t\t[ 7 ]\n\t],\n"
		"\t\"none\": [],\n"
		"\t\"nothing\": null\n"
		"}");
	EXPECT_EQ(Utf8(WriteCondensed(Root)),
		"{\"inner\":{\"on\":true},\"empty\":{},\"numbers\":[1,-2,false,null],\"names\":[\"a\",\"b\"],"
		"\"items\":[{\"x\":1.5},[7]],\"none\":[],\"nothing\":null}");
}

TEST(JsonWriter, EscapesControlCharactersAndPassesOtherTextThrough)
{
	const TSharedRef<FJsonObject> Object = MakeShared<FJsonObject>();
	Object->SetStringField(Text("k\"\\ey"), Text("q\" b\\ n\n r\r t\t \b \f \x01\x1f\x7f /caf\xC3\xA9 \xF0\x9F\x98\x80"));
	FString WithNul(TEXT("a"));
	WithNul.AppendChar(0);
	WithNul.AppendChar(TEXT('b'));
	Object->SetStringField(TEXT("nul"), WithNul);

	EXPECT_EQ(Utf8(WriteCondensed(Object)),
		"{\"k\\\"\\\\ey\":\"q\\\" b\\\\ n\\n r\\r t\\t \\b \\f \\u0001\\u001f\x7f /caf\xC3\xA9 \xF0\x9F\x98\x80\","
		"\"nul\":\"a\\u0000b\"}");
}

TEST(JsonWriter, NumbersAsTheEngineWritesThem)
{
	const TSharedRef<FJsonObject> Object = MakeShared<FJsonObject>();
	Object->SetNumberField(TEXT("whole"), 5);
	Object->SetNumberField(TEXT("half"), -1.5);
	Object->SetNumberField(TEXT("tenth"), 0.1);
	Object->SetNumberField(TEXT("big"), 9007199254740993.0); // rounds to 2^53 + 0 as a double
	Object->SetNumberField(TEXT("nan"), std::nan(""));
	EXPECT_EQ(Utf8(WriteCondensed(Object)), "{\"whole\":5,\"half\":-1.5,\"tenth\":0.10000000000000001,\"big\":9007199254740992,\"nan\":null}");

	FString Out;
	const auto Writer = TJsonWriterFactory<TCHAR, TCondensedJsonPrintPolicy<TCHAR>>::Create(&Out);
	Writer->WriteArrayStart();
	Writer->WriteValue(std::numeric_limits<int64>::min());
	Writer->WriteValue(std::numeric_limits<uint64>::max());
	Writer->WriteValue(-7);
	Writer->WriteValue(2.5f);
	Writer->WriteValue(TEXT("s"));
	Writer->WriteArrayEnd();
	EXPECT_TRUE(Writer->Close());
	EXPECT_EQ(Utf8(Out), "[-9223372036854775808,18446744073709551615,-7,2.5,\"s\"]");
}

TEST(JsonWriter, TextReachesTheTargetOnlyWhenClosed)
{
	FString Out(TEXT("previous"));
	const auto Writer = TJsonWriterFactory<>::Create(&Out);
	const TSharedRef<FJsonObject> Object = MakeShared<FJsonObject>();
	Object->SetBoolField(TEXT("b"), true);
	ASSERT_TRUE(FJsonSerializer::Serialize(Object, Writer, /*bCloseWriter*/ false));
	EXPECT_EQ(Utf8(Out), "previous");
	EXPECT_TRUE(Writer->Close());
	EXPECT_EQ(Utf8(Out), "{\n\t\"b\": true\n}");

	// A value on its own is a whole document; with an identifier it becomes a field of the
	// object the writer has open.
	FString Scalar;
	EXPECT_TRUE(FJsonSerializer::Serialize(MakeShared<FJsonValueString>(TEXT("x")), FString(), TJsonWriterFactory<>::Create(&Scalar)));
	EXPECT_EQ(Utf8(Scalar), "\"x\"");
	FString RootArray;
	EXPECT_TRUE(FJsonSerializer::Serialize(FJsonArray{ MakeShared<FJsonValueNumber>(1), MakeShared<FJsonValueString>(TEXT("a")) }, TJsonWriterFactory<>::Create(&RootArray)));
	EXPECT_EQ(Utf8(RootArray), "[ 1,\n\t\"a\"\n]");
	FString Field;
	const auto FieldWriter = TJsonWriterFactory<>::Create(&Field);
	FieldWriter->WriteObjectStart();
	EXPECT_TRUE(FJsonSerializer::Serialize(MakeShared<FJsonValueArray>(FJsonArray{}), TEXT("list"), FieldWriter, false));
	FieldWriter->WriteObjectEnd();
	EXPECT_TRUE(FieldWriter->Close());
	EXPECT_EQ(Utf8(Field), "{\n\t\"list\": []\n}");

	// Closing with an object still open delivers the text but reports it incomplete.
	FString Partial;
	const auto Open = TJsonWriterFactory<>::Create(&Partial);
	Open->WriteObjectStart();
	EXPECT_FALSE(Open->Close());
	EXPECT_EQ(Utf8(Partial), "{");
}

TEST(JsonWriter, RefusesTreesDeeperThanTheReaderAccepts)
{
	auto Chain = [](int32 Depth)
	{
		TSharedRef<FJsonObject> Root = MakeShared<FJsonObject>();
		TSharedRef<FJsonObject> Leaf = Root;
		for (int32 Level = 1; Level < Depth; ++Level)
		{
			const TSharedRef<FJsonObject> Next = MakeShared<FJsonObject>();
			Leaf->SetObjectField(TEXT("a"), Next);
			Leaf = Next;
		}
		return Root;
	};
	FString Out;
	EXPECT_TRUE(FJsonSerializer::Serialize(Chain(MaxNestingDepth), TJsonWriterFactory<TCHAR, TCondensedJsonPrintPolicy<TCHAR>>::Create(&Out)));
	EXPECT_EQ(Utf8(Out), NestedObjects(MaxNestingDepth));
	EXPECT_TRUE(ReadObject(Utf8(Out)).IsValid());
	EXPECT_FALSE(FJsonSerializer::Serialize(Chain(MaxNestingDepth + 1), TJsonWriterFactory<>::Create(&Out)));

	// An object that contains itself ends in a refusal, not an endless document.
	const TSharedRef<FJsonObject> Loop = MakeShared<FJsonObject>();
	Loop->SetObjectField(TEXT("self"), Loop);
	EXPECT_FALSE(FJsonSerializer::Serialize(Loop, TJsonWriterFactory<>::Create(&Out)));
	Loop->Values.Empty();
}

// --- Reader -----------------------------------------------------------------------------------

TEST(JsonReader, ReadsEveryKindOfValue)
{
	const TSharedPtr<FJsonObject> Object = ReadObject(
		" {\"s\": \"text\", \"i\": -12, \"f\": 2.5e2, \"t\": true, \"b\": false, \"n\": null,"
		" \"a\": [1, \"x\", [], {}], \"o\": {\"k\": \"v\"}} ");
	ASSERT_TRUE(Object.IsValid());
	EXPECT_EQ(Object->Values.Num(), 8);
	EXPECT_EQ(Utf8(Object->GetStringField(TEXT("s"))), "text");
	EXPECT_EQ(Object->GetNumberField(TEXT("i")), -12.0);
	EXPECT_EQ(Object->GetNumberField(TEXT("f")), 250.0);
	EXPECT_TRUE(Object->GetBoolField(TEXT("t")));
	EXPECT_TRUE(Object->HasTypedField<EJson::Boolean>(TEXT("b")));
	EXPECT_TRUE(Object->TryGetField(TEXT("n"))->IsNull());

	const FJsonArray* Array = nullptr;
	ASSERT_TRUE(Object->TryGetArrayField(TEXT("a"), Array));
	ASSERT_EQ(Array->Num(), 4);
	EXPECT_EQ((*Array)[0]->Type, EJson::Number);
	EXPECT_EQ(Utf8((*Array)[1]->AsString()), "x");
	EXPECT_EQ((*Array)[2]->Type, EJson::Array);
	EXPECT_EQ((*Array)[3]->Type, EJson::Object);

	const TSharedPtr<FJsonObject>* Inner = nullptr;
	ASSERT_TRUE(Object->TryGetObjectField(TEXT("o"), Inner));
	EXPECT_EQ(Utf8((*Inner)->GetStringField(TEXT("k"))), "v");

	// Field order survives a read and a write.
	EXPECT_EQ(Utf8(WriteCondensed(Object.ToSharedRef())),
		"{\"s\":\"text\",\"i\":-12,\"f\":250,\"t\":true,\"b\":false,\"n\":null,\"a\":[1,\"x\",[],{}],\"o\":{\"k\":\"v\"}}");
}

TEST(JsonReader, UnicodeEscapesAndRawText)
{
	const TSharedPtr<FJsonObject> Object = ReadObject(
		"{\"e\": \"caf\\u00e9\", \"pair\": \"\\ud83d\\ude00\", \"raw\": \"\xC3\xA9\xF0\x9F\x98\x80\", \"esc\": \"\\\"\\\\\\/\\b\\f\\n\\r\\t\", \"nul\": \"a\\u0000b\"}");
	ASSERT_TRUE(Object.IsValid());
	EXPECT_EQ(UE::HeadlessEditor::GetStdString(Object->GetStringField(TEXT("e"))), u"caf\u00e9");
	EXPECT_EQ(UE::HeadlessEditor::GetStdString(Object->GetStringField(TEXT("pair"))), std::u16string({ 0xD83D, 0xDE00 }));
	EXPECT_EQ(UE::HeadlessEditor::GetStdString(Object->GetStringField(TEXT("raw"))), std::u16string({ 0x00E9, 0xD83D, 0xDE00 }));
	EXPECT_EQ(Utf8(Object->GetStringField(TEXT("esc"))), "\"\\/\b\f\n\r\t");
	EXPECT_EQ(UE::HeadlessEditor::GetStdString(Object->GetStringField(TEXT("nul"))), std::u16string(u"a\0b", 3));

	// A lone surrogate escape is not a character: refused.
	EXPECT_FALSE(ReadObject("{\"x\": \"\\ud800\"}").IsValid());
	EXPECT_FALSE(ReadObject("{\"x\": \"\\ude00\\ud83d\"}").IsValid());
}

TEST(JsonReader, RefusesEverythingButOneObjectDocument)
{
	const char* const Refused[] = {
		"", "   \n\t", "[]", "[{\"a\":1}]", "\"text\"", "42", "null", "true", "plain words",
		"{", "}", "{\"a\"}", "{\"a\":}", "{\"a\":1,}", "{'a':1}", "{a:1}", "{\"a\":01}", "{\"a\":NaN}",
		"{\"a\":1e400}", "{\"a\":\"line\nbreak\"}", "{\"a\":1 /* note */}", "{} x", "{}{}", "{},",
	};
	for (const char* Input : Refused)
	{
		TSharedPtr<FJsonObject> Sentinel = MakeShared<FJsonObject>();
		const TSharedPtr<FJsonObject> Before = Sentinel;
		const TSharedRef<TJsonReader<TCHAR>> Reader = TJsonReaderFactory<TCHAR>::Create(Text(Input));
		EXPECT_FALSE(FJsonSerializer::Deserialize(Reader, Sentinel)) << "accepted: " << Input;
		EXPECT_TRUE(Sentinel == Before) << "output changed for: " << Input;
		EXPECT_FALSE(Reader->GetErrorMessage().IsEmpty()) << "no reason for: " << Input;
	}

	// Whitespace around the root is fine, and a byte order mark before it.
	EXPECT_TRUE(ReadObject(" \t\n{}\n \t").IsValid());
	EXPECT_TRUE(ReadObject("\xEF\xBB\xBF{}").IsValid());
}

TEST(JsonReader, ArrayAndValueRoots)
{
	FJsonArray Array;
	ASSERT_TRUE(FJsonSerializer::Deserialize(TJsonReaderFactory<>::Create(FString(TEXT("[1, \"two\", null]"))), Array));
	ASSERT_EQ(Array.Num(), 3);
	EXPECT_EQ(Utf8(Array[1]->AsString()), "two");
	FJsonArray Untouched = Array;
	EXPECT_FALSE(FJsonSerializer::Deserialize(TJsonReaderFactory<>::Create(FString(TEXT("{}"))), Untouched));
	EXPECT_EQ(Untouched.Num(), 3);

	EXPECT_EQ(ReadValue("42")->AsNumber(), 42.0);
	EXPECT_EQ(Utf8(ReadValue("\"s\"")->AsString()), "s");
	EXPECT_EQ(ReadValue("null")->Type, EJson::Null);
	EXPECT_EQ(ReadValue("{\"a\": 1}")->Type, EJson::Object);
	EXPECT_FALSE(ReadValue("42 43").IsValid());
}

TEST(JsonReader, RepeatedKeysKeepTheLastValueInTheFirstPlace)
{
	const TSharedPtr<FJsonObject> Object = ReadObject("{\"a\": 1, \"b\": [2], \"A\": {\"x\": 3}, \"a\": 4}");
	ASSERT_TRUE(Object.IsValid());
	EXPECT_EQ(Object->Values.Num(), 2);
	EXPECT_EQ(Object->GetNumberField(TEXT("a")), 4.0);
	EXPECT_EQ(Utf8(WriteCondensed(Object.ToSharedRef())), "{\"a\":4,\"b\":[2]}");
}

TEST(JsonReader, StoreNumbersAsStringsKeepsTheText)
{
	TSharedPtr<FJsonObject> Object;
	const FString Input(TEXT("{\"id\": 9007199254740993, \"big\": 123456789012345678901234567890, \"f\": 1.50, \"neg\": -5}"));
	ASSERT_TRUE(FJsonSerializer::Deserialize(TJsonReaderFactory<>::Create(Input), Object, FJsonSerializer::EFlags::StoreNumbersAsStrings));
	int64 Id = 0;
	ASSERT_TRUE(Object->TryGetNumberField(TEXT("id"), Id));
	EXPECT_EQ(Id, 9007199254740993LL);
	uint64 Unsigned = 0;
	EXPECT_FALSE(Object->TryGetNumberField(TEXT("neg"), Unsigned));
	EXPECT_EQ(Object->Values[TEXT("id")]->Type, EJson::Number);
	EXPECT_EQ(Utf8(WriteCondensed(Object.ToSharedRef())), "{\"id\":9007199254740993,\"big\":123456789012345678901234567890,\"f\":1.50,\"neg\":-5}");
}

TEST(JsonReader, BadTextInTheStringNeverCrashes)
{
	// Invalid UTF-8 became '?' when the bytes were turned into an FString, as the engine decodes
	// it (a bad lead byte takes the byte after it along); the JSON stays valid.
	const std::string BadBytes = "{\"a\": \"x\xFF\xC3(\xED\xA0\x80y\"}";
	const TSharedPtr<FJsonObject> Object = ReadObject(BadBytes);
	ASSERT_TRUE(Object.IsValid());
	EXPECT_EQ(Utf8(Object->GetStringField(TEXT("a"))), "x?(?y");
	EXPECT_FALSE(ReadObject("{\xFF\"a\": 1}").IsValid());

	// A lone surrogate inside the FString reads as '?'; a raw NUL anywhere is refused.
	FString Lone(TEXT("{\"a\": \"<"));
	Lone.AppendChar(static_cast<TCHAR>(0xD800));
	Lone.Append(TEXT(">\"}"));
	TSharedPtr<FJsonObject> FromLone;
	ASSERT_TRUE(FJsonSerializer::Deserialize(TJsonReaderFactory<>::Create(Lone), FromLone));
	EXPECT_EQ(Utf8(FromLone->GetStringField(TEXT("a"))), "<?>");
	for (const std::u16string& WithNul : { std::u16string(u"{}\0", 3), std::u16string(u"{}\0{\"a\":1}", 10), std::u16string(u"{\"a\":\"\0\"}", 9) })
	{
		TSharedPtr<FJsonObject> Ignored;
		EXPECT_FALSE(FJsonSerializer::Deserialize(TJsonReaderFactory<>::Create(FString(static_cast<int32>(WithNul.size()), WithNul.data())), Ignored));
	}
}

// --- Nesting limits and size ------------------------------------------------------------------

// The engine's reader sets no nesting limit: a deep balanced text is read whole (its tree then
// takes as much stack to free as it is deep, which is why callers bound the depth themselves).
TEST(JsonLimits, NestingHasNoLimitAsInTheEngineAndUnfinishedDeepTextFails)
{
	RunOnSmallStack([]
	{
		const int32 Depth = 600;   // past the 512 levels the stand-in once refused; its tree still frees on a small stack
		const TSharedPtr<FJsonValue> Deepest = ReadValue(NestedArrays(Depth));
		ASSERT_TRUE(Deepest.IsValid());
		int32 Levels = 0;
		for (const FJsonValue* Level = Deepest.Get(); Level != nullptr; ++Levels)
		{
			const FJsonArray& Elements = Level->AsArray();
			Level = Elements.Num() > 0 ? Elements[0].Get() : nullptr;
		}
		EXPECT_EQ(Levels, Depth);
		EXPECT_TRUE(ReadObject(NestedObjects(Depth)).IsValid());

		// An unfinished deep text fails, and what was read of it is freed without recursing.
		EXPECT_FALSE(ReadValue(Repeat("[", 100000)).IsValid());
		EXPECT_FALSE(ReadObject(Repeat("{\"a\":", 100000)).IsValid());
		EXPECT_FALSE(ReadObject("{\"a\":" + Repeat("[{\"b\":", 50000)).IsValid());
	});
}

TEST(JsonLimits, FiftyMegabyteDocumentReadsInSeconds)
{
	std::string Document = "{\"items\": [";
	int32 Count = 0;
	while (Document.size() < 50u * 1024 * 1024)
	{
		Document += Count == 0 ? "" : ",";
		Document += "{\"id\": " + std::to_string(Count) + ", \"name\": \"item " + std::to_string(Count) +
			" caf\xC3\xA9\", \"tags\": [\"a\", \"b\\n\"], \"pos\": {\"x\": 1.5, \"y\": -2.25e-3}, \"ok\": true, \"none\": null}";
		++Count;
	}
	Document += "]}";
	const FString Input = Text(Document);

	const auto Start = std::chrono::steady_clock::now();
	TSharedPtr<FJsonObject> Object;
	ASSERT_TRUE(FJsonSerializer::Deserialize(TJsonReaderFactory<>::Create(Input), Object));
	const double Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
	RecordProperty("parse_seconds", std::to_string(Seconds));
	std::printf("[ JSON     ] %.1f MB, %d items parsed in %.2f s\n", Document.size() / 1048576.0, Count, Seconds);

	const FJsonArray& Items = Object->GetArrayField(TEXT("items"));
	ASSERT_EQ(Items.Num(), Count);
	const TSharedPtr<FJsonObject>& Last = Items.Last()->AsObject();
	EXPECT_EQ(Last->GetIntegerField(TEXT("id")), Count - 1);
	EXPECT_EQ(Utf8(Last->GetStringField(TEXT("name"))), "item " + std::to_string(Count - 1) + " caf\xC3\xA9");
	EXPECT_LT(Seconds, 60.0); // generous for sanitizer builds; quadratic behaviour would take hours
}

// --- DOM: conversions, case, misuse -----------------------------------------------------------

TEST(JsonObject, FieldNamesMatchRegardlessOfCase)
{
	const TSharedPtr<FJsonObject> Object = ReadObject("{\"Url\": \"http://x\", \"Name\": \"chair\"}");
	ASSERT_TRUE(Object.IsValid());
	FString Url;
	EXPECT_TRUE(Object->TryGetStringField(TEXT("url"), Url));
	EXPECT_EQ(Utf8(Url), "http://x");
	EXPECT_TRUE(Object->HasField(TEXT("NAME")));
	Object->SetStringField(TEXT("name"), TEXT("table"));
	EXPECT_EQ(Object->Values.Num(), 2);
	EXPECT_EQ(Utf8(Object->GetStringField(TEXT("Name"))), "table");
	Object->RemoveField(TEXT("URL"));
	EXPECT_FALSE(Object->HasField(TEXT("Url")));
	EXPECT_EQ(Object->Values.Num(), 1);
}

TEST(JsonObject, TryGetStringFieldAcceptsNumbersAndBooleansAndNoTryGetLogs)
{
	TestLog::FCapture Log(TEXT("LogJson"));
	const TSharedPtr<FJsonObject> Object = ReadObject(
		"{\"s\": \"x\", \"i\": 5, \"neg\": -3, \"f\": 1.5, \"t\": true, \"b\": false, \"n\": null, \"a\": [\"x\"], \"o\": {}}");
	ASSERT_TRUE(Object.IsValid());
	const std::pair<const char*, const char*> Readable[] = { { "s", "x" }, { "i", "5" }, { "neg", "-3" }, { "f", "1.5" }, { "t", "true" }, { "b", "false" } };
	for (const auto& [Key, Expected] : Readable)
	{
		FString Out;
		EXPECT_TRUE(Object->TryGetStringField(Text(Key), Out)) << Key;
		EXPECT_EQ(Utf8(Out), Expected) << Key;
	}
	for (const char* Key : { "n", "a", "o", "missing" })
	{
		FString Out(TEXT("kept"));
		EXPECT_FALSE(Object->TryGetStringField(Text(Key), Out)) << Key;
		EXPECT_EQ(Utf8(Out), "kept") << Key;
	}
	// The array getter too: found ignoring case, refused for an object.
	const FJsonArray* Array = nullptr;
	EXPECT_FALSE(Object->TryGetArrayField(TEXT("o"), Array));
	ASSERT_TRUE(Object->TryGetArrayField(TEXT("A"), Array));
	EXPECT_EQ(Array->Num(), 1);
	EXPECT_TRUE(Log.Take().empty());
}

TEST(JsonValue, NumberConversionsRoundAndCheckRange)
{
	auto AsInt32 = [](double Number, int32& Out) { return FJsonValueNumber(Number).TryGetNumber(Out); };
	int32 I = 0;
	EXPECT_TRUE(AsInt32(2.5, I)); EXPECT_EQ(I, 3);
	EXPECT_TRUE(AsInt32(-2.5, I)); EXPECT_EQ(I, -3);
	EXPECT_TRUE(AsInt32(2147483647.0, I)); EXPECT_EQ(I, MAX_int32);
	EXPECT_FALSE(AsInt32(2147483648.0, I));
	EXPECT_TRUE(AsInt32(-2147483648.0, I)); EXPECT_EQ(I, MIN_int32);
	EXPECT_FALSE(AsInt32(-2147483649.0, I));
	EXPECT_FALSE(AsInt32(std::nan(""), I));

	uint32 U = 0;
	EXPECT_TRUE(FJsonValueNumber(4294967295.0).TryGetNumber(U)); EXPECT_EQ(U, MAX_uint32);
	EXPECT_FALSE(FJsonValueNumber(-1.0).TryGetNumber(U));
	int64 L = 0;
	EXPECT_FALSE(FJsonValueNumber(9223372036854775808.0).TryGetNumber(L));
	EXPECT_TRUE(FJsonValueNumber(-9223372036854775808.0).TryGetNumber(L)); EXPECT_EQ(L, std::numeric_limits<int64>::min());
	uint64 UL = 0;
	EXPECT_TRUE(FJsonValueNumber(9223372036854775808.0).TryGetNumber(UL)); EXPECT_EQ(UL, 9223372036854775808ULL);
	EXPECT_FALSE(FJsonValueNumber(18446744073709551616.0).TryGetNumber(UL));

	// Strings that hold a number, booleans as 1 and 0; text that is not a number fails.
	double D = 0;
	EXPECT_TRUE(FJsonValueString(TEXT("-12.5")).TryGetNumber(D)); EXPECT_EQ(D, -12.5);
	EXPECT_FALSE(FJsonValueString(TEXT("12px")).TryGetNumber(D));
	EXPECT_TRUE(FJsonValueBoolean(true).TryGetNumber(I)); EXPECT_EQ(I, 1);
	bool bFlag = false;
	EXPECT_TRUE(FJsonValueString(TEXT("TRUE")).TryGetBool(bFlag)); EXPECT_TRUE(bFlag);
	EXPECT_FALSE(FJsonValueString(TEXT("yes")).TryGetBool(bFlag));
	EXPECT_TRUE(FJsonValueNumber(0.0).TryGetBool(bFlag)); EXPECT_FALSE(bFlag);
	EXPECT_FALSE(FJsonValueNull().TryGetNumber(D));
}

TEST(JsonValue, AsObjectOnAnythingElseGivesTheSharedEmptyObjectAndLogs)
{
	TestLog::FCapture Log(TEXT("LogJson"));
	const TSharedPtr<FJsonObject>& FromString = FJsonValueString(TEXT("x")).AsObject();
	ASSERT_TRUE(FromString.IsValid());
	EXPECT_EQ(FromString->Values.Num(), 0);
	EXPECT_EQ(FJsonValueNumber(1).AsObject().Get(), FromString.Get());

	FJsonValueNull().AsObject();
	FJsonValueArray(FJsonArray{}).AsObject();
	FJsonValueBoolean(true).AsArray();
	const std::vector<TestLog::FCapture::FLine> Lines = Log.Take();
	ASSERT_EQ(Lines.size(), 5u);
	EXPECT_EQ(Lines[0].Verbosity, ELogVerbosity::Error);
	EXPECT_EQ(Lines[0].Message, "Json Value of type 'String' used as a 'Object'.");
	EXPECT_EQ(Lines[1].Message, "Json Value of type 'Number' used as a 'Object'.");
	EXPECT_EQ(Lines[2].Verbosity, ELogVerbosity::Warning);
	EXPECT_EQ(Lines[2].Message, "Json Value of type 'Null' used as a 'Object'.");
	EXPECT_EQ(Lines[3].Message, "Json Value of type 'Array' used as a 'Object'.");
	EXPECT_EQ(Lines[4].Message, "Json Value of type 'Boolean' used as a 'Array'.");

	// An object value gives its own object and logs nothing.
	const TSharedRef<FJsonObject> Own = MakeShared<FJsonObject>();
	EXPECT_EQ(FJsonValueObject(Own).AsObject().Get(), &Own.Get());
	EXPECT_TRUE(Log.Take().empty());
}

TEST(JsonObject, GettersOfMissingOrMistypedFieldsWarnAndGiveDefaults)
{
	TestLog::FCapture Log(TEXT("LogJson"));
	const TSharedPtr<FJsonObject> Object = ReadObject("{\"n\": 3, \"s\": \"x\"}");
	ASSERT_TRUE(Object.IsValid());
	EXPECT_TRUE(Object->GetArrayField(TEXT("missing")).IsEmpty());
	EXPECT_TRUE(Object->GetObjectField(TEXT("n"))->Values.IsEmpty());
	EXPECT_EQ(Object->GetIntegerField(TEXT("n")), 3);
	TArray<FString> Strings;
	EXPECT_FALSE(Object->TryGetStringArrayField(TEXT("s"), Strings));
	const std::vector<TestLog::FCapture::FLine> Lines = Log.Take();
	ASSERT_EQ(Lines.size(), 4u);
	EXPECT_EQ(Lines[0].Message, "Field missing was not found.");
	EXPECT_EQ(Lines[2].Message, "Field n is of the wrong type.");
	for (const TestLog::FCapture::FLine& Line : Lines)
	{
		EXPECT_EQ(Line.Verbosity, ELogVerbosity::Warning) << Line.Message;
	}
}
